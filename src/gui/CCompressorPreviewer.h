#pragma once
// Encodes and decodes preview frames of the compressor dialog on a thread of
// its own, so that the dialog never waits for a codec. It opens its own copy
// of the source movie. Requests are coalesced: only the newest one is
// worked on, and each result carries the number of its request so that the
// dialog can drop answers to settings it no longer shows.

#include "platform/CodecOptions.h"

#include <QImage>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class CCompressorPreviewer {
public:
    struct Result {
        int request = 0;
        QImage image; // null when it failed
        size_t compressedBytes = 0;
        QString error;
    };
    // Called on the previewer's thread.
    using Delivery = std::function<void(const Result& result)>;

    CCompressorPreviewer(std::string sourcePath, Delivery delivery);
    // Waits for the frame being worked on (one frame at most).
    ~CCompressorPreviewer();
    CCompressorPreviewer(const CCompressorPreviewer&) = delete;
    CCompressorPreviewer& operator=(const CCompressorPreviewer&) = delete;

    void Request(int request, int32_t frame, const CodecOptions& options);

private:
    struct Job {
        int request = 0;
        int32_t frame = 0;
        CodecOptions options;
    };
    void Loop();

    std::string m_strSource;
    Delivery m_delivery;
    std::mutex m_mutex; // guards the fields below
    std::condition_variable m_wake;
    std::optional<Job> m_pending;
    bool m_bStop = false;
    std::thread m_thread;
};
