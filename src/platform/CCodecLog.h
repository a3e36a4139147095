#pragma once
// What FFmpeg logged about one decoder or encoder: its warnings and errors,
// kept with the codec they belong to, so that a caller can show them (a
// damaged stream's decoder notes) or name them (an encoder's reason for
// failing) instead of libav printing them on stderr for the whole process.
//
// One process-wide libav log callback routes each message to the log its
// context (the AVCodecContext, its private data or a filter) was attached
// to; messages of contexts nobody attached are dropped. The list is bounded:
// equal lines are counted once, and after kMaxNotes distinct lines further
// ones are only counted. Thread-safe: codecs on several threads log at once.

#include <cstdint>
#include <string>
#include <vector>

struct CodecNote {
    bool error = false; // an error, else a warning
    std::string text;   // libav's line without its prefix
    int64_t count = 0;  // how often the line was logged
};

class CCodecLog {
public:
    static constexpr size_t kMaxNotes = 50;

    CCodecLog();
    ~CCodecLog();
    CCodecLog(const CCodecLog&) = delete;
    CCodecLog& operator=(const CCodecLog&) = delete;

    // Messages libav logs against `context` come here from now on, until
    // Detach (call it before the context is freed: its address may be
    // handed to another codec afterwards).
    void Attach(const void* context);
    void Detach();

    std::vector<CodecNote> Notes() const;
    // Distinct lines not kept because the list was full.
    int64_t NotesLeftOut() const;
    // The last error logged since ClearLastError, or "" when none.
    std::string LastError() const;
    void ClearLastError();

    // Hands one formatted message to the log `context` is attached to, if
    // any (the libav callback's way in).
    static void Deliver(const void* context, bool error, std::string text);
    // Whether any log is attached to `context`.
    static bool IsAttached(const void* context);

private:
    void Add(bool error, std::string text); // with the lock held
    std::vector<const void*> m_contexts;
    std::vector<CodecNote> m_notes;
    int64_t m_leftOut = 0;
    std::string m_lastError;
};
