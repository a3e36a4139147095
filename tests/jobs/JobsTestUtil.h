#pragma once
// Waiting for another thread in tests without betting on its speed: polls
// every millisecond, gives up after ten seconds (a failure, never a hang).

#include <chrono>
#include <functional>
#include <thread>

inline bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 10000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}
