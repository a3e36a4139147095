#pragma once
// Decodes preview frames on a thread of its own, so that stepping through a
// large movie never waits for the decoder on the UI thread. It opens its own
// copy of the movie (a decoder is never shared between threads). Requests
// are coalesced: only the newest frame asked for is decoded, and a frame
// equal to the last one decoded is not decoded again.

#include <QImage>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class CPreviewDecoder {
public:
    // Called on the decoder thread with the frame number and its picture
    // (a null image when it could not be decoded).
    using Delivery = std::function<void(int frame, const QImage& image)>;

    explicit CPreviewDecoder(Delivery delivery);
    ~CPreviewDecoder();
    CPreviewDecoder(const CPreviewDecoder&) = delete;
    CPreviewDecoder& operator=(const CPreviewDecoder&) = delete;

    // The movie to decode from; "" for none. Pending requests are dropped.
    void SetMovie(const std::string& path);
    void Request(int frame);

    // A packed DIB (24 or 32 bits, bottom-up or top-down) as a picture; null
    // for other formats.
    static QImage ImageFromDib(const uint8_t* dib);

private:
    void Loop();

    Delivery m_delivery;
    std::mutex m_mutex; // guards the fields below
    std::condition_variable m_wake;
    std::string m_strPath;
    bool m_bPathChanged = false;
    int m_nRequested = -1;
    bool m_bStop = false;
    std::thread m_thread;
};
