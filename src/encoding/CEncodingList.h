#pragma once
// The encoding list: which encoding (LOW or FAST) the final movie takes for
// each stretch of frames. Rows are kept in ascending text order of their
// start cell (zero-padded, so in start-frame order); overlaps and gaps are
// allowed. A view subscribes to changes and re-reads what it shows.
//
// Thread-safe: the oracle fills the list on the worker thread while the view
// reads it. Listeners are called on the changing thread, after the lock is
// released, so they may read the list again. Rows are addressed by index;
// an index is only meaningful until the next change.

#include "encoding/EncodingPart.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CAVIFile;

struct EncodingListChange {
    enum EKind { INSERTED, UPDATED, REMOVED, CLEARED };
    EKind kind = CLEARED;
    int row = -1;         // where the row stands now (INSERTED, UPDATED) or stood (REMOVED)
    int previousRow = -1; // UPDATED: where it stood before, when the new start moved it
};

struct PartRange {
    int32_t start = 0;
    int32_t end = 0;
};

class CEncodingList {
public:
    using Listener = std::function<void(const EncodingListChange&)>;

    CEncodingList() = default;
    CEncodingList(const CEncodingList&) = delete;
    CEncodingList& operator=(const CEncodingList&) = delete;

    // Returns an id for Unsubscribe. A call already under way on another
    // thread may still finish after Unsubscribe returns.
    int Subscribe(Listener listener);
    void Unsubscribe(int id);

    // Fills a row with the six cells. Nothing happens (and -1 is returned)
    // when end - start < 1 or `row` names no row. row -1 inserts a new row;
    // otherwise that row is overwritten. Returns the row's index.
    int WriteRow(EPartEncoding encoding, int32_t start, int32_t end, int32_t movieLength, int64_t videoBytes,
                 int64_t audioBytes, int32_t startMs, int32_t endMs, int row = -1);
    // WriteRow with times and sizes measured in `file`; -1 (no row) when the
    // file has no video stream.
    int AddPart(const CAVIFile& file, EPartEncoding encoding, int32_t start, int32_t end, int row = -1);
    // False when there is no such row.
    bool DeleteRow(int row);
    void Clear();

    // Start and end frame of a row, read back from its cells; 0 and 0 when
    // there is no such row (as reading the cells of no row gives).
    PartRange GetPartRange(int row) const;
    // Rewrites a row with the other encoding, measured in that encoding's
    // file: a LOW row becomes FAST with the FAST file's sizes and back.
    // Returns the row's range (0 and 0 without a row, and nothing changes).
    PartRange TogglePart(int row, const CAVIFile& lowFile, const CAVIFile& fastFile);

    int RowCount() const;
    bool GetRow(int row, EncodingPart& part) const;
    std::vector<EncodingPart> Rows() const;

    // Sum of the video and audio size cells of all rows, in kilobytes.
    double GetTotalKBytes() const;
    // The "Final AVI Size" text of the current total.
    std::string GetTotalSizeText() const;
    // "1,234 MBytes" from 1234.5678 KBytes: the "%f" text cut (not rounded)
    // to three decimals, in MBytes from 1000 KBytes on.
    static std::string FormatTotalSize(double kbytes);

private:
    void Notify(const EncodingListChange& change) const;
    size_t SortedPosition(const std::string& startCell) const;

    mutable std::mutex m_mutex; // guards m_rows
    std::vector<EncodingPart> m_rows;

    mutable std::mutex m_listenerMutex; // guards the two below
    std::vector<std::pair<int, std::shared_ptr<const Listener>>> m_listeners;
    int m_nNextListenerId = 1;
};
