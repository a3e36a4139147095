#pragma once
// Receives the elapsed and remaining time texts of the progress timer
// ("hh:mm:ss"). Called from the timer thread.

#include <string>

class ITimeListener {
public:
    virtual void ShowCurrentTime(const std::string& text) = 0;
    virtual void ShowRemainingTime(const std::string& text) = 0;
    virtual ~ITimeListener() = default;
};
