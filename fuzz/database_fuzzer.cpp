// Feeds arbitrary bytes to the movie data base loader, as a data base a
// stranger sent: the import with both compressor records, the intervals
// against a real source movie, the size check and every check a creation
// makes before it writes anything.

#include "FuzzInput.h"
#include "database/CDataBaseCreation.h"
#include "database/CMovieDataBase.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/CSampleMovie.h"
#include "media/CSilentHost.h"
#include "platform/CCompressorRegistry.h"
#include "platform/CodecOptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
// Declines every question: the size question then stops.
IHost& Host() {
    static CSilentHost host(IDNO);
    return host;
}

// A short sample movie with sound, made once: data base times are read
// against its video and audio.
CAVIFile& Source() {
    static CAVIFile* source = [] {
        const SampleMovieOptions options{
            .width = 32, .height = 24, .frames = 50, .audioRate = 8000, .audioChannels = 1};
        const std::string path = FuzzScratchFolder() + "/source.avi";
        std::string error;
        auto* file = new CAVIFile(Host());
        if (!CSampleMovie(options).Write(path, &error) || !file->Open(path, false))
            std::abort();
        return file;
    }();
    return *source;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CAVIFile& source = Source();
    const std::string path = FuzzInputFile(data, size);
    if (path.empty())
        return 0;
    CMovieDataBase base(Host());
    CodecOptions low;
    CodecOptions fast;
    std::string status;
    if (!base.Import(path, low, fast, status))
        return 0;
    (void)CCompressorRegistry::Describe(low);
    (void)CCompressorRegistry::Describe(fast);

    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    CMovieDataBase::Interval interval;
    for (int32_t n = 0; base.GetInterval(n, interval); ++n) {
        int32_t first = 0;
        int32_t end = 0;
        CMovieDataBase::IntervalFrames(*video, interval, first, end);
        if (first < 0 || end < first || end > video->GetLength())
            std::abort(); // an interval must never reach outside the movie
    }
    (void)base.CountFrames(source);
    (void)base.CheckCompatibility(&source);

    // Every check before the first file is made; the folder for the
    // temporary files does not exist, so nothing is ever written.
    static CWorker worker(Host());
    CDataBaseCreation creation(worker, base);
    (void)creation.Prepare(source, low, fast, FuzzScratchFolder() + "/final.avi",
                           FuzzScratchFolder() + "/no such folder");
    return 0;
}
