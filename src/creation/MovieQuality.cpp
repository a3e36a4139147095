#include "creation/MovieQuality.h"

#include "creation/PlaneMeasure.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/YuvPicture.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
struct FrameMeasure {
    int64_t squared = 0;
    int64_t samples = 0;
    double ssim = 0.0;
};

bool SameShape(const YuvPicture& a, const YuvPicture& b) {
    return a.width == b.width && a.height == b.height;
}

// All three planes, weighted by their sizes as ffmpeg's filters weigh them.
FrameMeasure MeasureFrame(const YuvPicture& a, const YuvPicture& b) {
    const int32_t cw = a.ChromaWidth();
    const int32_t ch = a.ChromaHeight();
    const double lumaSamples = static_cast<double>(a.width) * a.height;
    const double chromaSamples = static_cast<double>(cw) * ch;
    FrameMeasure m;
    m.squared = PlaneSquaredError(a.y.data(), b.y.data(), a.width, a.height) +
                PlaneSquaredError(a.u.data(), b.u.data(), cw, ch) +
                PlaneSquaredError(a.v.data(), b.v.data(), cw, ch);
    m.samples = static_cast<int64_t>(lumaSamples + 2 * chromaSamples);
    m.ssim = (PlaneSsim(a.y.data(), b.y.data(), a.width, a.height) * lumaSamples +
              (PlaneSsim(a.u.data(), b.u.data(), cw, ch) + PlaneSsim(a.v.data(), b.v.data(), cw, ch)) *
                  chromaSamples) /
             (lumaSamples + 2 * chromaSamples);
    return m;
}

std::optional<MovieQuality> Fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    return std::nullopt;
}

// Tracks the key-frame intervals of the movie and keeps the worst one.
class CWorstInterval {
public:
    void Add(bool key, int32_t frame, const FrameMeasure& m) {
        if (key && frame > m_start)
            Close(frame);
        m_squared += m.squared;
        m_samples += m.samples;
    }
    void Close(int32_t end) {
        if (m_samples > 0) {
            const double psnr = PsnrFromMse(static_cast<double>(m_squared) / static_cast<double>(m_samples));
            if (!m_have || psnr < m_worst) {
                m_worst = psnr;
                m_worstStart = m_start;
                m_worstEnd = end;
                m_have = true;
            }
        }
        m_start = end;
        m_squared = 0;
        m_samples = 0;
    }
    void Into(MovieQuality& q) const {
        q.worstStart = m_worstStart;
        q.worstEnd = m_worstEnd;
        q.worstPsnr = m_worst;
    }

private:
    int32_t m_start = 0;
    int64_t m_squared = 0;
    int64_t m_samples = 0;
    bool m_have = false;
    double m_worst = 0.0;
    int32_t m_worstStart = 0;
    int32_t m_worstEnd = 0;
};
} // namespace

double PsnrFromMse(double mse) {
    if (mse <= 0)
        return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::optional<MovieQuality> MeasureMovieQuality(IHost& host, const std::string& source,
                                                const std::string& movie, std::string* error) {
    CAVIFile sourceFile(host);
    CAVIFile movieFile(host);
    if (!sourceFile.Open(source, false))
        return Fail(error, "cannot open " + source);
    if (!movieFile.Open(movie, false))
        return Fail(error, "cannot open " + movie);
    CAVIStream* a = sourceFile.GetStream(sourceFile.GetVideoIndex());
    CAVIStream* b = movieFile.GetStream(movieFile.GetVideoIndex());
    if (!a || !b)
        return Fail(error, "no video stream");
    MovieQuality q;
    q.videoBytes = b->ByteCount(0, b->GetLength());
    q.frames = std::min(a->GetLength(), b->GetLength());
    if (q.frames <= 0)
        return Fail(error, "no frames to compare");
    int64_t squared = 0;
    int64_t samples = 0;
    double ssim = 0.0;
    CWorstInterval worst;
    for (int32_t frame = 0; frame < q.frames; ++frame) {
        const YuvPicture* pa = a->GetYuvFrame(frame);
        if (!pa)
            return Fail(error, "frame " + std::to_string(frame) + " of " + source + " cannot be decoded");
        const YuvPicture* pb = b->GetYuvFrame(frame);
        if (!pb)
            return Fail(error, "frame " + std::to_string(frame) + " of " + movie + " cannot be decoded");
        if (!SameShape(*pa, *pb))
            return Fail(error, "the pictures differ in size");
        const FrameMeasure m = MeasureFrame(*pa, *pb);
        squared += m.squared;
        samples += m.samples;
        ssim += m.ssim;
        worst.Add(b->IsKeyFrame(frame), frame, m);
    }
    worst.Close(q.frames);
    worst.Into(q);
    q.psnr = PsnrFromMse(static_cast<double>(squared) / static_cast<double>(samples));
    q.ssim = ssim / q.frames;
    return q;
}
