#pragma once
// What the preparation of a use case found, on the calling thread, before
// anything is queued: ready; refused (the request itself is wrong, say an
// output that is one of the inputs: nothing was shown or written, the text
// says why); or failed (a file did not open or could not be made: a message
// box has said why, the text repeats it for a log).

#include <string>
#include <utility>

struct PrepareResult {
    enum class EState { Ready, Refused, Failed };
    EState state = EState::Ready;
    std::string text;

    static PrepareResult Ready() { return {}; }
    static PrepareResult Refused(std::string why) { return {EState::Refused, std::move(why)}; }
    static PrepareResult Failed(std::string why) { return {EState::Failed, std::move(why)}; }
    bool IsReady() const { return state == EState::Ready; }
};
