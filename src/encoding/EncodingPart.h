#pragma once
// One row of the encoding list: six cell texts. The texts are the data: the
// assembly, the totals, the data base export and project saving all read the
// cells back, so their formats are fixed here and nowhere else.

#include <array>
#include <cstdint>
#include <string>

enum EEncodingColumn {
    COLUMN_START = 0,  // first frame, zero-padded to the digits of the movie length
    COLUMN_END,        // end frame (exclusive), plain decimal
    COLUMN_TIME,       // "hh:mm:ss,mmm - hh:mm:ss,mmm"
    COLUMN_ENCODING,   // "Low Encoding" / "Fast Encoding"
    COLUMN_VIDEO_SIZE, // "12,005 KBytes"
    COLUMN_AUDIO_SIZE, // same format
    COLUMN_COUNT
};

enum class EPartEncoding { Low, Fast };

struct EncodingColumn {
    const char* heading;
    int width; // pixels
};

inline constexpr EncodingColumn g_aEncodingColumns[COLUMN_COUNT] = {
    {"Start Frame", 100}, {"End Frame", 100},         {"Time Intervall", 250},
    {"Encoding", 100},    {"Video Buffer Size", 150}, {"Audio Buffer Size", 150},
};

struct EncodingPart {
    std::array<std::string, COLUMN_COUNT> cells;

    // The row as WriteRow fills it. `movieLength` (frames of the file the
    // part was measured in) sets the zero padding of the start frame.
    static EncodingPart Make(EPartEncoding encoding, int32_t start, int32_t end, int32_t movieLength,
                             int64_t videoBytes, int64_t audioBytes, int32_t startMs, int32_t endMs);

    // The cells read back as every consumer reads them: decimal-integer
    // conversion of the frame cells (empty cells give 0), and LOW when the
    // upper-cased encoding text contains "LOW".
    int32_t GetStart() const;
    int32_t GetEnd() const;
    bool IsLow() const;

    bool operator==(const EncodingPart&) const = default;
};

// "hh:mm:ss,mmm"; hours, minutes and seconds get a leading zero below 10.
std::string FormatPartTime(int32_t ms);
// Bytes as kilobytes of 1000 with a decimal comma and three decimals:
// 12005 gives "12,005 KBytes", 1234567 gives "1234,567 KBytes".
std::string FormatPartSize(int64_t bytes);
// A size cell read back in kilobytes: the text up to the first blank, every
// "," taken as ".", scanned as a number; 0 when it does not scan.
double ReadPartSize(const std::string& cell);
