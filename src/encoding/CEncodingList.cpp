#include "encoding/CEncodingList.h"

#include "encoding/PartMeasure.h"
#include "platform/TextNumbers.h"

#include <algorithm>

int CEncodingList::Subscribe(Listener listener) {
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    const int id = m_nNextListenerId++;
    m_listeners.emplace_back(id, std::make_shared<const Listener>(std::move(listener)));
    return id;
}

void CEncodingList::Unsubscribe(int id) {
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void CEncodingList::Notify(const EncodingListChange& change) const {
    std::vector<std::shared_ptr<const Listener>> listeners;
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        for (const auto& entry : m_listeners)
            listeners.push_back(entry.second);
    }
    for (const auto& listener : listeners)
        (*listener)(change);
}

// The list view this model stands behind inserted new rows at the top and
// let its sort move them down past every row with a greater start text, so a
// new row lands before the rows whose start text equals its own.
size_t CEncodingList::SortedPosition(const std::string& startCell) const {
    const auto at = std::lower_bound(
        m_rows.begin(), m_rows.end(), startCell,
        [](const EncodingPart& part, const std::string& cell) { return part.cells[COLUMN_START] < cell; });
    return static_cast<size_t>(at - m_rows.begin());
}

int CEncodingList::WriteRow(EPartEncoding encoding, int32_t start, int32_t end, int32_t movieLength,
                            int64_t videoBytes, int64_t audioBytes, int32_t startMs, int32_t endMs, int row) {
    if (int64_t{end} - start < 1)
        return -1;
    EncodingPart part =
        EncodingPart::Make(encoding, start, end, movieLength, videoBytes, audioBytes, startMs, endMs);
    EncodingListChange change;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (row == -1) {
            const size_t at = SortedPosition(part.cells[COLUMN_START]);
            m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), std::move(part));
            change.kind = EncodingListChange::INSERTED;
            change.row = static_cast<int>(at);
        } else {
            if (row < 0 || static_cast<size_t>(row) >= m_rows.size())
                return -1;
            const size_t index = static_cast<size_t>(row);
            const std::string& startCell = part.cells[COLUMN_START];
            // A row measured in a file of another length gets another padding
            // and may no longer sort where it stands: move it to keep the order.
            const bool sorted =
                (index == 0 || m_rows[index - 1].cells[COLUMN_START] <= startCell) &&
                (index + 1 == m_rows.size() || startCell <= m_rows[index + 1].cells[COLUMN_START]);
            size_t at = index;
            if (sorted) {
                m_rows[index] = std::move(part);
            } else {
                m_rows.erase(m_rows.begin() + row);
                at = SortedPosition(part.cells[COLUMN_START]);
                m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), std::move(part));
            }
            change.kind = EncodingListChange::UPDATED;
            change.row = static_cast<int>(at);
            change.previousRow = row;
        }
    }
    Notify(change);
    return change.row;
}

int CEncodingList::AddPart(const CAVIFile& file, EPartEncoding encoding, int32_t start, int32_t end,
                           int row) {
    if (int64_t{end} - start < 1)
        return -1;
    PartMeasure m;
    if (!MeasurePart(file, start, end, m))
        return -1;
    return WriteRow(encoding, start, end, m.movieLength, m.videoBytes, m.audioBytes, m.startMs, m.endMs, row);
}

bool CEncodingList::DeleteRow(int row) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (row < 0 || static_cast<size_t>(row) >= m_rows.size())
            return false;
        m_rows.erase(m_rows.begin() + row);
    }
    Notify({EncodingListChange::REMOVED, row, -1});
    return true;
}

void CEncodingList::Clear() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_rows.clear();
    }
    Notify({EncodingListChange::CLEARED, -1, -1});
}

PartRange CEncodingList::GetPartRange(int row) const {
    EncodingPart part; // no row reads as empty cells: 0 and 0
    GetRow(row, part);
    return {part.GetStart(), part.GetEnd()};
}

PartRange CEncodingList::TogglePart(int row, const CAVIFile& lowFile, const CAVIFile& fastFile) {
    EncodingPart part;
    if (!GetRow(row, part))
        return {};
    const PartRange range{part.GetStart(), part.GetEnd()};
    if (part.IsLow())
        AddPart(fastFile, EPartEncoding::Fast, range.start, range.end, row);
    else
        AddPart(lowFile, EPartEncoding::Low, range.start, range.end, row);
    return range;
}

int CEncodingList::RowCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

bool CEncodingList::GetRow(int row, EncodingPart& part) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size())
        return false;
    part = m_rows[static_cast<size_t>(row)];
    return true;
}

std::vector<EncodingPart> CEncodingList::Rows() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rows;
}

double CEncodingList::GetTotalKBytes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    double total = 0.0;
    for (const EncodingPart& part : m_rows)
        total += ReadPartSize(part.cells[COLUMN_VIDEO_SIZE]) + ReadPartSize(part.cells[COLUMN_AUDIO_SIZE]);
    return total;
}

std::string CEncodingList::GetTotalSizeText() const {
    return FormatTotalSize(GetTotalKBytes());
}

std::string CEncodingList::FormatTotalSize(double kbytes) {
    const bool mega = kbytes >= 1000.0;
    const std::string text = FormatC("%f", mega ? kbytes * 0.001 : kbytes) + ".000";
    const size_t dot = text.find('.');
    return text.substr(0, dot) + "," + text.substr(dot + 1, 3) + (mega ? " MBytes" : " KBytes");
}
