#include "platform/LibavQuiet.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace {
// Each encoder and decoder runs on one thread, which libav logs on.
thread_local std::string t_lastError;

extern "C" void KeepErrors(void* /*context*/, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_ERROR)
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    std::string message(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    if (!message.empty())
        t_lastError = message;
}
} // namespace

void QuietLibav() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(KeepErrors); });
}

std::string LastLibavError() {
    return t_lastError;
}

void ClearLibavError() {
    t_lastError.clear();
}
