#include "gui/CPreviewDecoder.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/CSilentHost.h"
#include "platform/AviTypes.h"
#include "platform/DibLayout.h"

#include <cstring>
#include <memory>

CPreviewDecoder::CPreviewDecoder(Delivery delivery) : m_delivery(std::move(delivery)) {
    m_thread = std::thread([this] { Loop(); });
}

CPreviewDecoder::~CPreviewDecoder() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CPreviewDecoder::SetMovie(const std::string& path) {
    {
        std::lock_guard lock(m_mutex);
        m_strPath = path;
        m_bPathChanged = true;
        m_nRequested = -1;
    }
    m_wake.notify_one();
}

void CPreviewDecoder::Request(int frame) {
    {
        std::lock_guard lock(m_mutex);
        m_nRequested = frame;
    }
    m_wake.notify_one();
}

QImage CPreviewDecoder::ImageFromDib(const uint8_t* dib) {
    BitmapInfoHeader header;
    if (!dib || !ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, header))
        return QImage();
    const int64_t offset = DibPixelOffset(header);
    const int bits = header.biBitCount;
    const int width = header.biWidth;
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (offset < 0 || (bits != 24 && bits != 32) || width <= 0 || height <= 0 || width > 16384 ||
        height > 16384)
        return QImage();
    const int64_t stride = DibStride(width, bits);
    const QImage::Format format = bits == 24 ? QImage::Format_BGR888 : QImage::Format_RGB32;
    const QImage view(dib + offset, width, height, static_cast<qsizetype>(stride), format);
    // Bottom-up rows (positive height) are the DIB default.
    return header.biHeight > 0 ? view.mirrored(false, true) : view.copy();
}

void CPreviewDecoder::Loop() {
    // The preview reports nothing: a movie that fails here has already been
    // reported when the window opened it.
    CSilentHost host;
    std::unique_ptr<CAVIFile> file;
    int lastDecoded = -1;
    for (;;) {
        std::string path;
        bool reopen = false;
        int frame = -1;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bStop || m_bPathChanged || m_nRequested >= 0; });
            if (m_bStop)
                return;
            reopen = m_bPathChanged;
            m_bPathChanged = false;
            path = m_strPath;
            frame = m_nRequested;
            m_nRequested = -1;
        }
        if (reopen) {
            file = std::make_unique<CAVIFile>(host);
            if (path.empty() || !file->Open(path, false))
                file.reset();
            lastDecoded = -1;
        }
        if (frame < 0 || !file || frame == lastDecoded)
            continue;
        CAVIStream* video = file->GetStream(file->GetVideoIndex());
        const QImage image = video ? ImageFromDib(video->GetFrame(frame)) : QImage();
        lastDecoded = frame;
        m_delivery(frame, image);
    }
}
