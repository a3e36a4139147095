#include "gui/CCompressorPreviewer.h"

#include "gui/CPreviewDecoder.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/CSilentHost.h"
#include "media/CompressorPreview.h"

#include <memory>

CCompressorPreviewer::CCompressorPreviewer(std::string sourcePath, Delivery delivery)
    : m_strSource(std::move(sourcePath)), m_delivery(std::move(delivery)) {
    m_thread = std::thread([this] { Loop(); });
}

CCompressorPreviewer::~CCompressorPreviewer() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CCompressorPreviewer::Request(int request, int32_t frame, const CodecOptions& options) {
    {
        std::lock_guard lock(m_mutex);
        m_pending = Job{request, frame, options};
    }
    m_wake.notify_one();
}

void CCompressorPreviewer::Loop() {
    // The window has said what is wrong with the source when it opened it.
    CSilentHost host;
    CAVIFile file(host);
    const bool open = file.Open(m_strSource, false);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bStop || m_pending.has_value(); });
            if (m_bStop)
                return;
            job = std::move(*m_pending);
            m_pending.reset();
        }
        Result result;
        result.request = job.request;
        CAVIStream* video = open ? file.GetStream(file.GetVideoIndex()) : nullptr;
        CompressorPreviewFrame frame;
        std::string error;
        if (!video) {
            result.error = QStringLiteral("The source movie has no video to preview.");
        } else if (!EncodePreviewFrame(*video, job.frame, job.options, frame, &error)) {
            result.error = QString::fromStdString(error);
        } else {
            result.image = CPreviewDecoder::ImageFromDib(frame.dib.data());
            result.compressedBytes = frame.compressedBytes;
        }
        m_delivery(result);
    }
}
