#include "oracle/COracle.h"

#include "jobs/CTaskTeam.h"
#include "media/IHost.h"
#include "oracle/CFrameReadAhead.h"
#include "oracle/FrameMeasure.h"
#include "oracle/IOracleListSink.h"
#include "oracle/IOracleMedia.h"
#include "oracle/IOracleTimer.h"
#include "platform/COpenFileRegistry.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

const char* const kCaption = "Oracle Error";

const char* const kSizeInvalidThree = "Buffer Size Invalid! This error happens, if one of the AVIs "
                                      "(Original, Low or Fast) is not compatible with "
                                      "the others. To remove this problem, you have to change the AVIs, that "
                                      "they all have the same color-bits (for "
                                      "example 24 bits).\r\n\r\nExample: You get this error, if your "
                                      "original AVI is at 15 bit and your low AVI at "
                                      "24 bit. Try to re-encode the original as 24 bit.";

const char* const kSizeInvalidTwo = "Buffer Size Invalid! This error happens, if one of the AVIs (Low or "
                                    "Fast) is not compatible with the other. "
                                    "To remove this problem, you have to change the AVIs, that they all have "
                                    "the same color-bits (for example 24 "
                                    "bits).\r\n\r\nExample: You get this error, if your original AVI is at "
                                    "15 bit and your low AVI at 24 bit. Try "
                                    "to re-encode the original as 24 bit.";

const char* const kBufferNull =
    "Error in asking the Oracle: pbBufferLow or pbBufferFast == NULL! Thie means, that "
    "one of the frames of one of the streams can\xC2\xB4t be read!";

// Decodes one frame of one movie. Raw frames point into the decoder; copied
// ones go into `owned`, created by the first decode and refilled afterwards.
// A failed decode leaves the recorded size (and dimensions) unchanged.
void DecodeInto(IOracleMedia& media, bool raw, int32_t frame, std::unique_ptr<uint8_t[]>& owned,
                uint8_t** buffer, int32_t* recordedSize, int32_t* width, int32_t* height) {
    int32_t size = 0;
    int32_t w = 0;
    int32_t h = 0;
    uint8_t* reuse = raw ? nullptr : owned.get();
    uint8_t* result =
        media.GetBitmapBuffer(raw, frame, &size, reuse, width ? &w : nullptr, height ? &h : nullptr);
    *buffer = result;
    if (result == nullptr) {
        return;
    }
    *recordedSize = size;
    if (width != nullptr) {
        *width = w;
    }
    if (height != nullptr) {
        *height = h;
    }
    if (!raw && result != owned.get()) {
        owned.reset(result);
    }
}

} // namespace

COracle::COracle(IHost& host) : m_host(host), m_files(host) {
    SetInputs(&m_files.Low(), &m_files.Fast(), &m_files.Source());
}

std::string COracle::FormatStatus(const char* format, int a, int b) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

COracle::~COracle() = default;

void COracle::SetInputs(IOracleMedia* low, IOracleMedia* fast, IOracleMedia* source) {
    m_pLow = low;
    m_pFast = fast;
    m_pSource = source;
}

void COracle::ShowProgress(int position) {
    m_host.SetProgressPos(position);
    m_host.SetPercent(position / 100);
}

void COracle::ShowOracleError(const std::string& text) {
    m_host.MessageBox(text, kCaption, EMessageButtons::Ok, EMessageKind::Error);
}

bool COracle::CreateOracleFile(const std::string& name) {
    // Never truncate a movie this process is reading from.
    if (!COpenFileRegistry::IsOpen(name) && m_file.Create(name)) {
        return true;
    }
    ShowOracleError("The oracle file \"" + name +
                    "\" can neither be read nor created. Choose another Oracle File; nothing was written.");
    return false;
}

bool COracle::RunOracle(const std::string& oracleFile) {
    m_host.SetStatusText("Initialising Oracle ...");
    m_bError = false;
    m_bStopped = false;
    m_bTargetMissed = false;
    m_intervals.clear();
    m_candidates.clear();

    if (oracleFile.empty()) {
        ShowOracleError("No Oracle File is given. Choose the file that keeps the oracle's values.");
        m_bError = true;
        return false;
    }
    bool cached = m_file.OpenRead(oracleFile);
    if (!cached && !CreateOracleFile(oracleFile)) {
        m_bError = true;
        return false;
    }

    m_host.SetProgressRange(0, 10000);
    ShowProgress(0);
    const int64_t length = m_file.GetLength();
    m_nBytesToRead = length;
    BuildIntervals();
    ShowProgress(10000);

    const bool empty = cached && length == 0;
    const std::string unfit = cached && !empty ? CachedValuesUnfit(length) : std::string();
    if (empty || !unfit.empty()) {
        // An empty file is a cache still to fill. One with too few records,
        // or with values no measurement gives (NaN, infinite, negative), was
        // made for another movie or run, or damaged: its values would be
        // taken for intervals they do not belong to.
        m_file.Close();
        if (!unfit.empty()) {
            m_host.MessageBox("The oracle file \"" + oracleFile + "\" holds " + unfit +
                                  ": it belongs to another movie or run, or is damaged. The values are "
                                  "measured again and the file is replaced.",
                              "Oracle", EMessageButtons::Ok, EMessageKind::Warning);
        }
        for (OracleInterval& interval : m_intervals) {
            interval.lowValue = 0.0;
            interval.fastValue = 0.0;
            interval.valueDistance = 0.0;
        }
        if (!CreateOracleFile(oracleFile)) {
            m_bError = true;
            return false;
        }
        cached = false;
    }

    if (!cached && !EvaluateIntervals()) {
        m_bError = true;
    }

    const bool complete = m_file.Close();
    if (m_bError) {
        // An incomplete file must never be taken as a cache later.
        COracleFile::Delete(oracleFile);
    } else if (!cached && !complete) {
        COracleFile::Delete(oracleFile);
        ShowOracleError(
            "The oracle file \"" + oracleFile +
            "\" could not be written completely and was deleted. The encoding list is complete; the "
            "values will be measured again next time.");
    }
    return !cached;
}

std::string COracle::CachedValuesUnfit(int64_t length) const {
    if (length < 16 * static_cast<int64_t>(m_intervals.size())) {
        return "values for " + std::to_string(length / 16) + " intervals where this movie has " +
               std::to_string(m_intervals.size());
    }
    for (size_t i = 0; i < m_intervals.size(); ++i) {
        for (const double value : {m_intervals[i].lowValue, m_intervals[i].fastValue}) {
            if (!std::isfinite(value) || value < 0.0) {
                return std::string("values no measurement gives (") +
                       (std::isnan(value)   ? "not a number"
                        : std::isinf(value) ? "infinite"
                                            : "negative") +
                       ", first at interval " + std::to_string(i + 1) + ")";
            }
        }
    }
    return "";
}

void COracle::BuildIntervals() {
    const int32_t n = m_pLow != nullptr ? m_pLow->GetLength() : 0;
    if (n <= 0) {
        return;
    }
    const int64_t length = m_file.GetLength();
    int32_t g = 0;
    int64_t covered = 0;
    for (;;) {
        // Frame 0 starts the first interval whether or not it is a key frame.
        const int32_t next = m_pLow->NextKeyFrame(g);
        const int32_t i = (next > g && next < n) ? next : n;

        OracleInterval interval;
        if (length > 0) {
            double value = 0.0;
            if (m_file.ReadDouble(&value)) {
                interval.lowValue = value;
                m_nBytesToRead -= 8;
            }
            if (m_file.ReadDouble(&value)) {
                interval.fastValue = value;
                m_nBytesToRead -= 8;
            }
        }
        interval.valueDistance = std::abs(interval.lowValue - interval.fastValue);
        interval.start = g;
        interval.end = i;
        interval.lowBytes = m_pLow->VideoBytes(g, i);
        interval.fastBytes = m_pFast != nullptr ? m_pFast->VideoBytes(g, i) : 0;
        interval.audioBytes = m_pLow->AudioBytes(g, i);
        m_intervals.push_back(interval);

        covered += i - g;
        if (length > 0) {
            ShowProgress(static_cast<int>(static_cast<double>(length - m_nBytesToRead) * (10000.0 / length)));
        }
        if (covered >= n) {
            break;
        }
        g = i;
    }
}

int32_t COracle::NextSampledFrame(int32_t start, int32_t end, int32_t current) const {
    int64_t step = 1;
    switch (m_PrecisionMode) {
    case 2:
        step = 2;
        break;
    case 3:
        step = 3;
        break;
    case 4:
        step = 5;
        break;
    case 5:
        step = 10;
        break;
    case 6:
        return current - start >= 2 ? end : current + 1;
    default:
        break;
    }
    const int64_t next = int64_t(current) + step;
    return next > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                      : static_cast<int32_t>(next);
}

bool COracle::EvaluateIntervals() {
    if (m_pLow == nullptr || m_pFast == nullptr || !m_pLow->HasVideo() || !m_pFast->HasVideo()) {
        ShowOracleError(
            "The oracle cannot measure: the LOW or the FAST movie is not open or has no video stream.");
        return false;
    }
    if (m_useSourceMovie && (m_pSource == nullptr || !m_pSource->HasVideo())) {
        ShowOracleError(
            "\"Use Original File for creating the Encoding List\" is ticked, but no usable original "
            "file is open. Choose the original AVI file or untick the option.");
        return false;
    }
    ReleaseFrameBuffers();
    m_nSizeLow = m_nSizeFast = m_nSizeSource = 0;
    m_nWidth = m_nHeight = 0;
    m_nFastWidth = m_nFastHeight = 0;
    const int helpers = m_bParallel ? (m_useSourceMovie ? 2 : 1) : 0;
    m_team = std::make_unique<CTaskTeam>(helpers);

    m_host.SetProgressRange(0, 10000);
    ShowProgress(0);
    m_nLowLength = m_pLow->GetVideoLength();
    for (OracleInterval& interval : m_intervals) {
        interval.lowValue = 0.0;
        interval.fastValue = 0.0;
    }
    if (m_pTimer != nullptr) {
        m_pTimer->SetTotal(m_nLowLength);
        m_pTimer->SetCurrent(0);
        m_pTimer->Start();
    }

    ClearRunState();
    ListSampledFrames();
    m_nStep = 0;
    for (OracleInterval& interval : m_intervals) {
        for (int32_t frame = interval.start; frame < interval.end;
             frame = NextSampledFrame(interval.start, interval.end, frame)) {
            if (frame >= m_nLowLength) {
                continue;
            }
            double low = 0.0;
            double fast = 0.0;
            m_bStopped = m_stepCheck && !m_stepCheck();
            if (m_bStopped || !CompareFrame(frame, interval, &low, &fast)) {
                if (m_pTimer != nullptr) {
                    m_pTimer->Stop();
                }
                m_team.reset();
                ReleaseFrameBuffers();
                return false;
            }
            interval.lowValue += low;
            interval.fastValue += fast;
        }
        interval.valueDistance = std::abs(interval.lowValue - interval.fastValue);
        m_file.AppendDouble(interval.lowValue);
        m_file.AppendDouble(interval.fastValue);
        AppendRun(interval, DecideInterval(interval));
    }
    CloseRun();
    if (m_pTimer != nullptr) {
        m_pTimer->Stop();
    }
    m_team.reset();
    ReleaseFrameBuffers();
    ShowProgress(10000);
    m_host.SetStatusText("Waiting!");
    return true;
}

void COracle::ListSampledFrames() {
    m_frames.clear();
    for (const OracleInterval& interval : m_intervals) {
        for (int32_t frame = interval.start; frame < interval.end && frame < m_nLowLength;
             frame = NextSampledFrame(interval.start, interval.end, frame)) {
            m_frames.push_back(frame);
        }
    }
}

void COracle::ReleaseFrameBuffers() {
    m_pbBufferLow = m_pbBufferFast = m_pbBufferSource = nullptr;
    // Stopped mid-queue too: the threads end after the frame they decode.
    m_aheadLow.reset();
    m_aheadFast.reset();
    m_aheadSource.reset();
    m_bAheadHeld = false;
    m_ownLow.reset();
    m_ownFast.reset();
    m_ownSource.reset();
}

void COracle::DecodeStep(int32_t frame) {
    if (m_bParallel && m_nStep > 0 && !m_aheadLow) {
        StartReadAhead();
    }
    if (m_aheadLow) {
        TakeReadAhead();
    } else {
        DecodeSideBySide(frame);
    }
    ++m_nStep;
}

void COracle::StartReadAhead() {
    const bool keep = m_useSourceMovie;
    // FAST's detail is measured over LOW's rows and columns, which the first
    // step has shown.
    m_aheadLow = std::make_unique<CFrameReadAhead>(*m_pLow, m_frames, m_nStep, keep, 0, 0);
    m_aheadFast = std::make_unique<CFrameReadAhead>(*m_pFast, m_frames, m_nStep, keep, m_nWidth, m_nHeight);
    if (m_useSourceMovie) {
        m_aheadSource = std::make_unique<CFrameReadAhead>(*m_pSource, m_frames, m_nStep, true, 0, 0);
    }
    // The team's threads have nothing more to do.
    m_team.reset();
}

void COracle::TakeReadAhead() {
    CFrameReadAhead* const queues[] = {m_aheadLow.get(), m_aheadFast.get(), m_aheadSource.get()};
    if (m_bAheadHeld) {
        for (CFrameReadAhead* queue : queues) {
            if (queue != nullptr) {
                queue->Pop();
            }
        }
    }
    m_bAheadHeld = true;
    // As in a step side by side, a frame that could not be decoded leaves
    // the recorded size and shape as they were.
    const AheadFrame& low = m_aheadLow->Front();
    m_pbBufferLow = low.buffer;
    m_nDetailLow = low.detail;
    if (low.buffer != nullptr) {
        m_nSizeLow = low.size;
        m_nWidth = low.width;
        m_nHeight = low.height;
    }
    const AheadFrame& fast = m_aheadFast->Front();
    m_pbBufferFast = fast.buffer;
    m_nDetailFast = fast.detail;
    if (fast.buffer != nullptr) {
        m_nSizeFast = fast.size;
        // Measured with LOW's shape already.
        m_nFastWidth = m_nWidth;
        m_nFastHeight = m_nHeight;
    }
    if (m_aheadSource) {
        const AheadFrame& source = m_aheadSource->Front();
        m_pbBufferSource = source.buffer;
        if (source.buffer != nullptr) {
            m_nSizeSource = source.size;
        }
    }
}

void COracle::DecodeSideBySide(int32_t frame) {
    const bool raw = !m_useSourceMovie;
    std::vector<std::function<void()>> tasks;
    // The detail sums are measured on the decoding threads too: summed up one
    // after the other afterwards they cost about as much as a decode.
    tasks.emplace_back([this, raw, frame] {
        DecodeInto(*m_pLow, raw, frame, m_ownLow, &m_pbBufferLow, &m_nSizeLow, &m_nWidth, &m_nHeight);
        if (raw) {
            m_nDetailLow = DetailSum(m_pbBufferLow, m_nSizeLow, m_nWidth, m_nHeight);
        }
    });
    tasks.emplace_back([this, raw, frame] {
        DecodeInto(*m_pFast, raw, frame, m_ownFast, &m_pbBufferFast, &m_nSizeFast, &m_nFastWidth,
                   &m_nFastHeight);
        if (raw) {
            m_nDetailFast = DetailSum(m_pbBufferFast, m_nSizeFast, m_nFastWidth, m_nFastHeight);
        }
    });
    if (m_useSourceMovie) {
        tasks.emplace_back([this, frame] {
            DecodeInto(*m_pSource, false, frame, m_ownSource, &m_pbBufferSource, &m_nSizeSource, nullptr,
                       nullptr);
        });
    }
    RunTasks(tasks);
}

void COracle::RunTasks(const std::vector<std::function<void()>>& tasks) {
    if (m_team) {
        m_team->Run(tasks);
    } else {
        for (const auto& task : tasks) {
            task();
        }
    }
}

bool COracle::CompareFrame(int32_t frame, const OracleInterval& interval, double* lowContribution,
                           double* fastContribution) {
    const int32_t length = m_nLowLength > 0 ? m_nLowLength : 1;
    ShowProgress(static_cast<int>((10000.0 / length) * frame));
    m_host.SetStatusText(FormatStatus("Asking Oracle for frame %d of %d ...   ", frame, m_nLowLength));

    DecodeStep(frame);

    if (m_useSourceMovie) {
        if (m_nSizeLow != m_nSizeFast || m_nSizeLow != m_nSizeSource) {
            ShowOracleError(kSizeInvalidThree);
            return false;
        }
    } else if (m_nSizeLow != m_nSizeFast) {
        ShowOracleError(kSizeInvalidTwo);
        return false;
    }

    int64_t lowSum = 0;
    int64_t fastSum = 0;
    if (m_useSourceMovie) {
        // A frame that could not be decoded contributes nothing.
        const auto measure = m_bSquared ? SquaredDifferenceSum : DifferenceSum;
        RunTasks(
            {[this, &lowSum, measure] { lowSum = measure(m_pbBufferSource, m_pbBufferLow, m_nSizeLow); },
             [this, &fastSum, measure] { fastSum = measure(m_pbBufferSource, m_pbBufferFast, m_nSizeLow); }});
    } else {
        if (m_pbBufferLow == nullptr || m_pbBufferFast == nullptr) {
            m_host.ShowError(kBufferNull);
            return false;
        }
        // More detail means a sharper picture. Exchanged, so that in both
        // modes a LOW sum larger than the FAST sum speaks for FAST.
        // Both frames are measured with the LOW frame's dimensions.
        const bool sameShape = m_nFastWidth == m_nWidth && m_nFastHeight == m_nHeight;
        lowSum = sameShape ? m_nDetailFast : DetailSum(m_pbBufferFast, m_nSizeFast, m_nWidth, m_nHeight);
        fastSum = m_nDetailLow;
    }

    // Scaled by the interval's length, not by the number of measured frames.
    double n = static_cast<double>(interval.end - interval.start);
    if (n == 0.0) {
        n = 1.0;
    }
    *lowContribution = static_cast<double>(lowSum) / n;
    *fastContribution = static_cast<double>(fastSum) / n;
    if (m_pTimer != nullptr) {
        m_pTimer->SetCurrent(frame);
    }
    return true;
}
