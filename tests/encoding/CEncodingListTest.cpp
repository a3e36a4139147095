// Order, editing, totals and change notification of the encoding list, and
// the start/end marks that feed it.

#include "encoding/CEncodingList.h"
#include "encoding/CPartMarks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

int Write(CEncodingList& list, int32_t start, int32_t end, int32_t length = 12345, int row = -1,
          int64_t videoBytes = 1000) {
    return list.WriteRow(EPartEncoding::Low, start, end, length, videoBytes, 0, 0, 40, row);
}

std::vector<std::string> StartCells(const CEncodingList& list) {
    std::vector<std::string> cells;
    for (const EncodingPart& part : list.Rows())
        cells.push_back(part.cells[COLUMN_START]);
    return cells;
}

} // namespace

TEST(CEncodingList, KeepsRowsInStartOrderAndNewRowsBeforeEqualOnes) {
    CEncodingList list;
    EXPECT_EQ(Write(list, 1000, 2000), 0);
    EXPECT_EQ(Write(list, 42, 100), 0);
    EXPECT_EQ(Write(list, 5000, 6000), 2);
    EXPECT_EQ(StartCells(list), (std::vector<std::string>{"00042", "01000", "05000"}));

    EXPECT_EQ(Write(list, 1000, 1500), 1); // same start text: goes before the older row
    EncodingPart part;
    ASSERT_TRUE(list.GetRow(1, part));
    EXPECT_EQ(part.GetEnd(), 1500);
    ASSERT_TRUE(list.GetRow(2, part));
    EXPECT_EQ(part.GetEnd(), 2000);

    // Parts of no length are never added; a missing row is not written.
    EXPECT_EQ(Write(list, 300, 300), -1);
    EXPECT_EQ(Write(list, 300, 200), -1);
    EXPECT_EQ(Write(list, INT32_MIN, INT32_MAX, 12345, 9), -1);
    EXPECT_EQ(list.RowCount(), 4);
}

TEST(CEncodingList, OverwritesRowsAndMovesThemWhenTheirStartTextChanges) {
    CEncodingList list;
    Write(list, 42, 100);
    Write(list, 1000, 2000);
    EXPECT_EQ(list.WriteRow(EPartEncoding::Fast, 42, 100, 12345, 7, 8, 0, 40, 0), 0);
    EncodingPart part;
    ASSERT_TRUE(list.GetRow(0, part));
    EXPECT_EQ(part.cells[COLUMN_ENCODING], "Fast Encoding");
    EXPECT_EQ(list.RowCount(), 2);

    // Measured in a shorter file the start loses its padding: "42" sorts after "01000".
    EXPECT_EQ(Write(list, 42, 100, 99, 0), 1);
    EXPECT_EQ(StartCells(list), (std::vector<std::string>{"01000", "42"}));

    EXPECT_FALSE(list.DeleteRow(2));
    EXPECT_FALSE(list.DeleteRow(-1));
    EXPECT_TRUE(list.DeleteRow(0));
    EXPECT_EQ(StartCells(list), (std::vector<std::string>{"42"}));
    list.Clear();
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(CEncodingList, TotalsComeFromTheSizeCells) {
    CEncodingList list;
    EXPECT_EQ(list.GetTotalSizeText(), "0,000 KBytes");
    list.WriteRow(EPartEncoding::Low, 0, 25, 250, 12005, 500, 0, 1000);
    EXPECT_DOUBLE_EQ(list.GetTotalKBytes(), 12.505);
    EXPECT_EQ(list.GetTotalSizeText(), "12,505 KBytes");
    list.WriteRow(EPartEncoding::Fast, 25, 50, 250, 1234567, 0, 1000, 2000);
    EXPECT_DOUBLE_EQ(list.GetTotalKBytes(), 1247.072);
    EXPECT_EQ(list.GetTotalSizeText(), "1,247 MBytes");
}

TEST(CEncodingList, RangesOfRowsAndTheMarks) {
    CEncodingList list;
    Write(list, 42, 100);
    EXPECT_EQ(list.GetPartRange(0).start, 42);
    EXPECT_EQ(list.GetPartRange(0).end, 100);

    CPartMarks marks;
    marks.SetStart(10);
    EXPECT_EQ(marks.GetEnd(), 10); // the end follows the start
    marks.SetEnd(100, 250);
    EXPECT_EQ(marks.GetEnd(), 100);
    marks.SetEnd(5, 250); // the start follows the end
    EXPECT_EQ(marks.GetStart(), 5);
    marks.SetEnd(249, 250); // the last frame is included
    EXPECT_EQ(marks.GetEnd(), 250);
    marks.SetStart(300);
    EXPECT_EQ(marks.GetEnd(), 300);

    marks.Reselect(list, 0);
    EXPECT_EQ(marks.GetStart(), 42);
    EXPECT_EQ(marks.GetEnd(), 100);
    marks.Reselect(list, 5); // no such row: empty cells read as 0
    EXPECT_EQ(marks.GetStart(), 0);
    EXPECT_EQ(marks.GetEnd(), 0);
}

TEST(CEncodingList, NotifiesListenersOutsideTheLock) {
    CEncodingList list;
    std::vector<EncodingListChange> changes;
    std::vector<int> rowCounts;
    const int id = list.Subscribe([&](const EncodingListChange& change) {
        changes.push_back(change);
        rowCounts.push_back(list.RowCount()); // would deadlock if the lock were held
    });
    Write(list, 1000, 2000);
    Write(list, 42, 100);
    Write(list, 42, 100, 99, 0); // moves from row 0 to row 1
    Write(list, 1, 2, 12345, 7); // no such row: no change
    list.DeleteRow(0);
    list.Clear();
    list.Unsubscribe(id);
    Write(list, 1, 2);

    ASSERT_EQ(changes.size(), 5u);
    EXPECT_EQ(changes[0].kind, EncodingListChange::INSERTED);
    EXPECT_EQ(changes[1].kind, EncodingListChange::INSERTED);
    EXPECT_EQ(changes[1].row, 0);
    EXPECT_EQ(changes[2].kind, EncodingListChange::UPDATED);
    EXPECT_EQ(changes[2].row, 1);
    EXPECT_EQ(changes[2].previousRow, 0);
    EXPECT_EQ(changes[3].kind, EncodingListChange::REMOVED);
    EXPECT_EQ(changes[3].row, 0);
    EXPECT_EQ(changes[4].kind, EncodingListChange::CLEARED);
    EXPECT_EQ(rowCounts, (std::vector<int>{1, 2, 2, 1, 0}));
}

// The oracle writes on the worker thread while the view reads; readers must
// always see a sorted list and the totals must add up at the end.
TEST(CEncodingList, WritersAndReadersRunConcurrently) {
    CEncodingList list;
    std::atomic<int> notifications{0};
    list.Subscribe([&](const EncodingListChange&) {
        list.GetTotalKBytes();
        ++notifications;
    });
    constexpr int kWriters = 3;
    constexpr int kRows = 150;
    std::atomic<bool> done{false};
    std::atomic<int> unsorted{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w)
        threads.emplace_back([&list, w] {
            for (int i = 0; i < kRows; ++i) {
                const int32_t start = (i * 7919 + w * 104729) % 100000;
                list.WriteRow(EPartEncoding::Low, start, start + 10, 100000, 1000, 0, 0, 40);
                if (i % 10 == 9)
                    list.DeleteRow(0);
            }
        });
    threads.emplace_back([&] {
        while (!done) {
            const std::vector<EncodingPart> rows = list.Rows();
            for (size_t i = 1; i < rows.size(); ++i)
                if (rows[i - 1].cells[COLUMN_START] > rows[i].cells[COLUMN_START])
                    ++unsorted;
            list.GetTotalSizeText();
        }
    });
    for (int w = 0; w < kWriters; ++w)
        threads[static_cast<size_t>(w)].join();
    done = true;
    threads.back().join();

    const int rows = kWriters * (kRows - kRows / 10);
    EXPECT_EQ(unsorted.load(), 0);
    EXPECT_EQ(list.RowCount(), rows);
    EXPECT_DOUBLE_EQ(list.GetTotalKBytes(), rows * 1.0);
    EXPECT_EQ(notifications.load(), kWriters * (kRows + kRows / 10));
}
