// Feeds arbitrary bytes to the AVI reader as a file and exercises everything a
// caller can ask of the result.

#include "FuzzInput.h"
#include "platform/IAviFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {
constexpr int32_t kMaxReadSize = 1 << 20;
constexpr int kReadsPerStream = 64;

void ReadSample(IAviStream& s, int32_t pos, int32_t n, std::vector<uint8_t>& buffer) {
    int32_t bytes = 0, samples = 0;
    if (s.Read(pos, n, nullptr, 0, &bytes, &samples) != AVIERR_OK || bytes < 0)
        return;
    const int32_t size = std::min(bytes, kMaxReadSize);
    buffer.resize(static_cast<size_t>(size) + 1);
    s.Read(pos, n, buffer.data(), size, &bytes, &samples);
    // A buffer one byte short must be refused or read fewer samples, never overrun.
    if (size > 0)
        s.Read(pos, n, buffer.data(), size - 1, &bytes, &samples);
}

void Exercise(IAviStream& s) {
    const AviStreamInfo info = s.Info();
    (void)info;
    (void)s.Format().size();
    const int32_t start = s.Start();
    const int32_t length = s.Length();
    const int64_t end = static_cast<int64_t>(start) + length;
    std::vector<uint8_t> buffer;
    const int64_t step = std::max<int64_t>(1, length / kReadsPerStream);
    for (int64_t pos = start; pos < end; pos += step)
        ReadSample(s, static_cast<int32_t>(pos), 3, buffer);
    const int32_t probes[] = {
        INT32_MIN, -1, 0, start, start + length / 2, static_cast<int32_t>(end) - 1, static_cast<int32_t>(end),
        INT32_MAX};
    for (int32_t p : probes) {
        ReadSample(s, p, 1, buffer);
        ReadSample(s, p, INT32_MAX, buffer);
        ReadSample(s, p, -1, buffer);
        for (uint32_t dir : {FIND_PREV, FIND_NEXT})
            for (uint32_t kind : {FIND_KEY, FIND_ANY})
                (void)s.FindSample(p, dir | kind);
        (void)s.SampleToTime(p);
        (void)s.TimeToSample(p);
    }
    (void)s.SetFormat(nullptr, 0);
    (void)s.Write(end, 1, nullptr, 0, 0, nullptr, nullptr);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzInputFile(data, size);
    if (path.empty())
        return 0;
    std::string error;
    auto file = AviOpenRead(path, &error);
    if (!file)
        return 0;
    (void)file->Info();
    (void)file->Report();
    for (int i = -1; i <= file->StreamCount(); ++i)
        if (IAviStream* s = file->GetStream(i))
            Exercise(*s);
    (void)file->CreateStream(AviStreamInfo());
    std::string closeError;
    (void)file->Close(&closeError);
    return 0;
}
