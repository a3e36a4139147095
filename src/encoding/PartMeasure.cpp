#include "encoding/PartMeasure.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"

#include <algorithm>

bool MeasurePart(const CAVIFile& file, int32_t start, int32_t end, PartMeasure& measure) {
    const CAVIStream* video = file.IsOpen() ? file.GetStream(file.GetVideoIndex()) : nullptr;
    if (!video)
        return false;
    PartMeasure m;
    m.movieLength = file.GetLength();
    m.startMs = video->SampleToTime(start);
    m.endMs = video->SampleToTime(end);
    m.videoBytes = std::max<int64_t>(video->ByteCount(start, end), 0);
    if (const CAVIStream* audio = file.GetStream(file.GetAudioIndex())) {
        // The audio samples that play from the start frame to the end frame.
        const int32_t first = audio->MapSample(*video, start);
        const int32_t last = audio->MapSample(*video, end);
        m.audioBytes = std::max<int64_t>(audio->ByteCount(first, last), 0);
    }
    measure = m;
    return true;
}
