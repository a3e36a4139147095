#include "encoding/EncodingPart.h"

#include "platform/TextNumbers.h"

#include <algorithm>

EncodingPart EncodingPart::Make(EPartEncoding encoding, int32_t start, int32_t end, int32_t movieLength,
                                int64_t videoBytes, int64_t audioBytes, int32_t startMs, int32_t endMs) {
    // The padding makes the text order of column 0 the numeric order of the
    // start frames, which is how the list stays sorted.
    const int digits = static_cast<int>(FormatC("%d", std::max(movieLength, 0)).size());
    EncodingPart part;
    part.cells[COLUMN_START] = FormatC("%0*d", digits, start);
    part.cells[COLUMN_END] = FormatC("%d", end);
    part.cells[COLUMN_TIME] = FormatPartTime(startMs) + " - " + FormatPartTime(endMs);
    part.cells[COLUMN_ENCODING] = encoding == EPartEncoding::Low ? "Low Encoding" : "Fast Encoding";
    part.cells[COLUMN_VIDEO_SIZE] = FormatPartSize(videoBytes);
    part.cells[COLUMN_AUDIO_SIZE] = FormatPartSize(audioBytes);
    return part;
}

int32_t EncodingPart::GetStart() const {
    return ParseDecimalInt(cells[COLUMN_START]);
}

int32_t EncodingPart::GetEnd() const {
    return ParseDecimalInt(cells[COLUMN_END]);
}

bool EncodingPart::IsLow() const {
    std::string upper = cells[COLUMN_ENCODING];
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper.find("LOW") != std::string::npos;
}

std::string FormatPartTime(int32_t ms) {
    const int32_t hours = ms / 3600000;
    const int32_t minutes = ms / 60000 - hours * 60;
    const int32_t seconds = ms / 1000 - (ms / 60000) * 60;
    return FormatC("%02d:%02d:%02d,%03d", hours, minutes, seconds, ms % 1000);
}

std::string FormatPartSize(int64_t bytes) {
    bytes = std::max<int64_t>(bytes, 0); // a failed count (-1) shows as nothing
    return FormatC("%lld,%03lld KBytes", static_cast<long long>(bytes / 1000),
                   static_cast<long long>(bytes % 1000));
}

double ReadPartSize(const std::string& cell) {
    std::string number = cell.substr(0, cell.find(' '));
    std::replace(number.begin(), number.end(), ',', '.');
    double kbytes = 0.0;
    ScanDouble(number, kbytes);
    return kbytes;
}
