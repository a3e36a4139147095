#include "platform/CCodecLog.h"

#include <algorithm>
#include <cstdarg>
#include <mutex>
#include <unordered_map>

extern "C" {
#include <libavutil/log.h>
}

namespace {
// One lock for the routing table and every log's lines: messages are rare,
// and the callback must not see a log that is being detached.
std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_map<const void*, CCodecLog*>& Routes() {
    static std::unordered_map<const void*, CCodecLog*> routes;
    return routes;
}

extern "C" void RouteLibavLog(void* context, int level, const char* format, va_list arguments) {
    if (!context || level > AV_LOG_WARNING)
        return;
    // Most messages come from contexts nobody attached (probes, scalers):
    // skip the formatting for them.
    if (!CCodecLog::IsAttached(context))
        return;
    char line[1024];
    int printPrefix = 0; // "[mpeg4 @ 0x...]" names an address: no use to people
    va_list copy;
    va_copy(copy, arguments);
    av_log_format_line2(context, level, format, copy, line, sizeof line, &printPrefix);
    va_end(copy);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        return;
    CCodecLog::Deliver(context, level <= AV_LOG_ERROR, std::move(text));
}
} // namespace

CCodecLog::CCodecLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(RouteLibavLog); });
}

CCodecLog::~CCodecLog() {
    Detach();
}

void CCodecLog::Attach(const void* context) {
    if (!context)
        return;
    std::lock_guard lock(LogMutex());
    Routes()[context] = this;
    m_contexts.push_back(context);
}

void CCodecLog::Detach() {
    std::lock_guard lock(LogMutex());
    for (const void* context : m_contexts) {
        auto it = Routes().find(context);
        if (it != Routes().end() && it->second == this)
            Routes().erase(it);
    }
    m_contexts.clear();
}

void CCodecLog::Deliver(const void* context, bool error, std::string text) {
    std::lock_guard lock(LogMutex());
    auto it = Routes().find(context);
    if (it != Routes().end())
        it->second->Add(error, std::move(text));
}

bool CCodecLog::IsAttached(const void* context) {
    std::lock_guard lock(LogMutex());
    return Routes().find(context) != Routes().end();
}

void CCodecLog::Add(bool error, std::string text) {
    if (error)
        m_lastError = text;
    auto same = std::find_if(m_notes.begin(), m_notes.end(),
                             [&](const CodecNote& note) { return note.error == error && note.text == text; });
    if (same != m_notes.end())
        ++same->count;
    else if (m_notes.size() < kMaxNotes)
        m_notes.push_back({error, std::move(text), 1});
    else
        ++m_leftOut;
}

std::vector<CodecNote> CCodecLog::Notes() const {
    std::lock_guard lock(LogMutex());
    return m_notes;
}

int64_t CCodecLog::NotesLeftOut() const {
    std::lock_guard lock(LogMutex());
    return m_leftOut;
}

std::string CCodecLog::LastError() const {
    std::lock_guard lock(LogMutex());
    return m_lastError;
}

void CCodecLog::ClearLastError() {
    std::lock_guard lock(LogMutex());
    m_lastError.clear();
}
