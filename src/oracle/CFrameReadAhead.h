#pragma once
// One movie's frames decoded ahead on a thread of its own, a few at a time.
// Decoded in lockstep, the movie that decodes faster (FAST, with fewer bits)
// would wait for the slower one at every frame; with a short queue each goes
// at its own pace and the waits even out over a few frames.
//
// The frames are decoded in the given order, exactly as one thread asking for
// them one after the other would decode them, so what is measured does not
// depend on the queue.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class IOracleMedia;

struct AheadFrame {
    // With pixels kept: the frame's copy, owned by the queue. Without: the
    // decoder's own picture, which may already hold a later frame, or no
    // picture at all when the detail was measured from rows (only whether it
    // is null tells anything). Null when the frame could not be decoded; size
    // and shape are then not set.
    uint8_t* buffer = nullptr;
    int32_t size = 0;
    int32_t width = 0;
    int32_t height = 0;
    // Without pixels kept: the frame's detail sum.
    int64_t detail = 0;
};

class CFrameReadAhead {
public:
    // Decodes frames[first], frames[first + 1], ... of `media` (which this
    // thread alone uses until the object is gone; `frames` must outlive it).
    // With `keepPixels` every frame is copied into a buffer of the queue;
    // without, only its detail sum is kept, measured over detailWidth x
    // detailHeight when those are positive and over the frame's own shape
    // otherwise. Without pixels kept a frame that cannot be decoded ends the
    // decoding: that run cannot go on anyway.
    CFrameReadAhead(IOracleMedia& media, const std::vector<int32_t>& frames, size_t first, bool keepPixels,
                    int32_t detailWidth, int32_t detailHeight);
    // Stops the thread (after the frame it is decoding) without waiting for
    // the queued frames to be taken.
    ~CFrameReadAhead();
    CFrameReadAhead(const CFrameReadAhead&) = delete;
    CFrameReadAhead& operator=(const CFrameReadAhead&) = delete;

    // The next frame, waiting for it; valid until Pop. A frame asked for
    // beyond the list or after decoding ended comes back undecoded.
    const AheadFrame& Front();
    void Pop();

private:
    struct Slot {
        AheadFrame frame;
        std::unique_ptr<uint8_t[]> owned;
    };
    void Decode(Slot& slot, int32_t frame);
    void Loop();

    IOracleMedia& m_media;
    const std::vector<int32_t>& m_frames;
    const size_t m_first;
    const bool m_keepPixels;
    const int32_t m_detailWidth;
    const int32_t m_detailHeight;

    std::vector<Slot> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_head = 0;    // frames taken (popped)
    size_t m_tail = 0;    // frames decoded
    bool m_ended = false; // no more frames will come
    bool m_stop = false;
    AheadFrame m_none;
    uint8_t m_measuredOnly = 0; // what a frame measured without a picture points at
    std::thread m_thread;
};
