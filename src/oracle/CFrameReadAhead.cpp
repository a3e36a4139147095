#include "oracle/CFrameReadAhead.h"

#include "oracle/FrameMeasure.h"
#include "oracle/IOracleMedia.h"

namespace {
// Frames decoded ahead of the one being measured (one more slot is held by
// the reader). More would only cost memory: the decoders' pace evens out
// within a few frames.
constexpr size_t kAhead = 3;
} // namespace

CFrameReadAhead::CFrameReadAhead(IOracleMedia& media, const std::vector<int32_t>& frames, size_t first,
                                 bool keepPixels, int32_t detailWidth, int32_t detailHeight)
    : m_media(media), m_frames(frames), m_first(first), m_keepPixels(keepPixels), m_detailWidth(detailWidth),
      m_detailHeight(detailHeight), m_slots(kAhead + 1) {
    m_thread = std::thread([this] { Loop(); });
}

CFrameReadAhead::~CFrameReadAhead() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CFrameReadAhead::Decode(Slot& slot, int32_t frame) {
    AheadFrame& out = slot.frame;
    if (!m_keepPixels && m_media.MeasureDetail(frame, m_detailWidth, m_detailHeight, &out.detail, &out.size,
                                               &out.width, &out.height)) {
        out.buffer = &m_measuredOnly;
        return;
    }
    int32_t size = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* reuse = m_keepPixels ? slot.owned.get() : nullptr;
    uint8_t* result = m_media.GetBitmapBuffer(!m_keepPixels, frame, &size, reuse, &width, &height);
    out.buffer = result;
    if (result == nullptr)
        return;
    out.size = size;
    out.width = width;
    out.height = height;
    if (m_keepPixels) {
        if (result != slot.owned.get())
            slot.owned.reset(result);
        return;
    }
    const bool ownShape = m_detailWidth <= 0 || m_detailHeight <= 0;
    out.detail =
        DetailSum(result, size, ownShape ? width : m_detailWidth, ownShape ? height : m_detailHeight);
}

void CFrameReadAhead::Loop() {
    for (size_t next = m_first; next < m_frames.size(); ++next) {
        size_t slot = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || m_tail - m_head < m_slots.size(); });
            if (m_stop)
                break;
            slot = m_tail % m_slots.size();
        }
        // The slot is this thread's until it is published below.
        Slot& target = m_slots[slot];
        bool decoded = false;
        try {
            Decode(target, m_frames[next]);
            decoded = target.frame.buffer != nullptr;
        } catch (...) {
            target.frame.buffer = nullptr;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_tail;
        }
        m_changed.notify_all();
        if (!decoded && !m_keepPixels)
            break;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ended = true;
    }
    m_changed.notify_all();
}

const AheadFrame& CFrameReadAhead::Front() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_tail > m_head || m_ended; });
    if (m_tail == m_head)
        return m_none;
    return m_slots[m_head % m_slots.size()].frame;
}

void CFrameReadAhead::Pop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_tail > m_head)
            ++m_head;
    }
    m_changed.notify_all();
}
