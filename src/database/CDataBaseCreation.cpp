#include "database/CDataBaseCreation.h"

#include "database/CMovieDataBase.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWorker.h"
#include "jobs/DiscardOutput.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/CCompressorRegistry.h"
#include "platform/FileIdentity.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

CDataBaseCreation::CDataBaseCreation(CWorker& worker, CMovieDataBase& base)
    : m_worker(worker), m_base(base) {}

bool CDataBaseCreation::CheckCodecs(const CodecOptions& low, const CodecOptions& fast) const {
    bool usesLow = false;
    bool usesFast = false;
    CMovieDataBase::Interval interval;
    for (int32_t n = 0; m_base.GetInterval(n, interval); ++n)
        (interval.isLow ? usesLow : usesFast) = true;
    const struct {
        bool used;
        const CodecOptions& options;
        const char* name;
    } codecs[] = {{usesLow, low, "LOW"}, {usesFast, fast, "FAST"}};
    for (const auto& codec : codecs) {
        EncoderSettings settings;
        std::string error;
        if (codec.used && !CCompressorRegistry::EffectiveSettings(codec.options, nullptr, settings, &error)) {
            m_worker.GetHost().ShowError(std::string("The ") + codec.name +
                                         " compressor settings of the data base cannot be used: " + error);
            return false;
        }
    }
    return true;
}

bool CDataBaseCreation::CheckIntervals(CAVIFile& source) {
    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    if (!video)
        return true;
    const int64_t length = std::max(video->GetLength(), 0);
    std::string dropped;
    int32_t droppedCount = 0;
    CMovieDataBase::Interval interval;
    for (int32_t n = 0; m_base.GetInterval(n, interval); ++n) {
        int32_t first = 0;
        int32_t end = 0;
        CMovieDataBase::IntervalFrames(*video, interval, first, end);
        const char* why = interval.endMs < interval.startMs ? "ends before it starts"
                          : first >= length && length > 0   ? "starts after the end of the source movie"
                                                            : nullptr;
        if (why && ++droppedCount <= 10)
            dropped += "\r\nInterval " + std::to_string(n) + " (StartTime" + std::to_string(n) + "=" +
                       std::to_string(interval.startMs) + ", EndTime" + std::to_string(n) + "=" +
                       std::to_string(interval.endMs) + ") " + why + ".";
    }
    IHost& host = m_worker.GetHost();
    // Overlapping intervals would compress the movie again and again: a few
    // hundred bytes of data base could fill the disk with temporary files.
    std::string overlap;
    if (m_base.CoversTooMuch(source, overlap)) {
        host.ShowError(overlap + " Nothing is created.");
        return false;
    }
    m_bWhole = droppedCount == 0;
    if (droppedCount > 0)
        host.ShowWarning("Warning: " + std::to_string(droppedCount) +
                         " interval(s) of the data base give no frames and are left out of the final AVI:" +
                         dropped + (droppedCount > 10 ? "\r\n..." : ""));
    return true;
}

bool CDataBaseCreation::Prepare(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                                const std::string& output, const std::string& tempDirectory) {
    IHost& host = m_worker.GetHost();
    m_bNothing = false;
    m_bWhole = true;
    m_base.ResetParts();
    m_strRunFolder.clear();
    const int32_t intervals = m_base.CountIntervals();
    if (intervals == 0) {
        m_bNothing = true;
        return false;
    }
    // The final AVI is created once every interval is written: under the name
    // of the source it would destroy what it is made of. The temporary files
    // live in a folder of their own, so they cannot meet it.
    if (FindSameFile(output, {source.GetPath()})) {
        host.ShowError("The final AVI " + output + " would replace the source movie; choose another name.");
        return false;
    }
    if (!CheckIntervals(source) || !CheckCodecs(low, fast))
        return false;
    // A folder made for this run inside the chosen one: files already there
    // (another run's 0.avi, a movie named 1.avi) are never replaced or deleted.
    std::string folder = tempDirectory + "/flintmoor-parts-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) {
        host.ShowError("Cannot make a folder for the temporary files in " + tempDirectory + ": " +
                       std::strerror(errno));
        return false;
    }
    m_strRunFolder = folder;
    m_base.SetTempDirectory(folder);
    return true;
}

void CDataBaseCreation::Start(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                              const std::string& output, CWorker::JobDone done) {
    m_worker.GetHost().JobStarted();
    m_worker.SubmitSequence(
        [this, &source, &low, &fast, output](CWorker&) { return Run(source, low, fast, output); },
        std::move(done));
}

CJobResult CDataBaseCreation::Run(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                                  const std::string& output) {
    IHost& host = m_worker.GetHost();
    m_base.SetTotalFrames(m_base.CountFrames(source));
    if (CProgressTimer* timer = m_worker.GetProgressTimer()) {
        timer->SetCurrent(0);
        timer->SetTotal(m_base.GetTotalFrames());
        timer->Start();
    }
    host.SetProgressRange(0, 10000);
    host.SetProgressPos(0);
    host.SetPercent(0);
    CJobRegistration part = m_worker.RegisterJob(
        JobKind::JOB_DATABASE_PART, [this, &source](CWorker& worker, const CJobRequest&) {
            m_base.CompressPart(source, worker);
            if (worker.IsAbortSet())
                return CJobResult::Stopped();
            return m_base.IsFailed() ? CJobResult::Failed("a part could not be compressed")
                                     : CJobResult::Done();
        });
    const CJobResult result = Steer(source, low, fast, output);
    // Removed when empty: a stopped run's files and those of a failed join
    // stay in it for the user.
    std::error_code ignored;
    if (!m_strRunFolder.empty())
        std::filesystem::remove(m_strRunFolder, ignored);
    if (CProgressTimer* timer = m_worker.GetProgressTimer())
        timer->Stop();
    return result;
}

CJobResult CDataBaseCreation::Steer(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                                    const std::string& output) {
    IHost& host = m_worker.GetHost();
    if (!m_base.PrepareNextPart(source, low, fast)) {
        m_bNothing = !m_base.IsFailed();
        return m_base.IsFailed() ? Fail() : CJobResult::Failed("the first temporary file cannot be created");
    }
    CJobResult step = m_worker.RunInline(CJobRequest::Of(JobKind::JOB_DATABASE_PART));
    bool compressing = true;
    bool firstCopy = true;
    bool copyFailed = false;
    size_t next = 0;
    for (;;) {
        if (step.IsStopped() || !m_worker.PassPauseGate()) {
            // Stopped: the worker stopped after its current frame; what was
            // written so far stays on disk, closed.
            m_base.CloseTemp();
            m_worker.CloseFile(CWorker::FILE_COPY_SOURCE);
            DiscardOutput(m_worker.GetFile(CWorker::FILE_COPY_DESTINATION));
            host.JobFinished();
            return CJobResult::Stopped();
        }
        if (m_base.IsFailed())
            return Fail();
        const std::vector<std::string>& files = m_base.GetTempFiles();
        if (compressing) {
            if (m_base.PrepareNextPart(source, low, fast)) {
                host.JobStarted();
                step = m_worker.RunInline(CJobRequest::Of(JobKind::JOB_DATABASE_PART));
                continue;
            }
            if (m_base.IsFailed())
                return Fail();
            // A later temporary file that cannot be made ends the compressing:
            // the intervals written so far are joined.
            compressing = false;
        }
        if (firstCopy) {
            host.SetProgressPos(10000);
            host.SetPercent(100);
            if (CProgressTimer* timer = m_worker.GetProgressTimer())
                timer->Stop();
        }
        if (next >= files.size())
            return Finish(output, copyFailed);
        const std::string& file = files[next];
        host.SetStatusText("Merging " + file + " to Final AVI...");
        if (firstCopy) {
            firstCopy = false;
            if (!m_worker.PrepareCopy(output, file)) {
                m_worker.CloseFile(CWorker::FILE_COPY_SOURCE);
                m_worker.CloseFile(CWorker::FILE_COPY_DESTINATION);
                return Finish(output, true);
            }
        } else if (!m_worker.OpenCopySource(file)) {
            // Going on would make a final AVI that silently lacks this part.
            copyFailed = true;
        }
        ++next;
        step = m_worker.RunInline(CJobRequest::Of(JobKind::JOB_COPY));
        if (step.IsFailed()) {
            // The copy has said why; the final AVI would lack a part.
            m_worker.CloseFile(CWorker::FILE_COPY_SOURCE);
            DiscardOutput(m_worker.GetFile(CWorker::FILE_COPY_DESTINATION));
            host.JobFinished();
            return step;
        }
    }
}

CJobResult CDataBaseCreation::Finish(const std::string& output, bool copyFailed) {
    IHost& host = m_worker.GetHost();
    m_worker.CloseFile(CWorker::FILE_COPY_SOURCE);
    // A final AVI that lacks parts would pass for a finished one: it never
    // takes the output's name. The temporary files stay for the user.
    CAVIFile& destination = m_worker.GetFile(CWorker::FILE_COPY_DESTINATION);
    bool written = false;
    if (copyFailed) {
        destination.Discard();
    } else if (destination.IsOpen()) {
        written = destination.Close();
        if (!written && m_worker.IsAbortSet()) {
            host.JobFinished();
            return CJobResult::Stopped();
        }
        copyFailed = !written;
    }
    host.SetStatusText("Deleting Temp Files...");
    CAVIFile check(host);
    CJobResult result = CJobResult::Failed(MERGE_ERROR);
    if (!copyFailed && check.Open(output, true)) {
        check.Close();
        DeleteTempFiles(true);
        host.SetStatusText(output + " sucessfully created!");
        result = CJobResult::Done();
    } else {
        std::error_code ignored;
        if (written)
            std::filesystem::remove(output, ignored); // ours, and it does not open
        host.ShowError(MERGE_ERROR);
    }
    host.JobFinished();
    return result;
}

CJobResult CDataBaseCreation::Fail() {
    // A part that could not be made leaves the final AVI unmade; its
    // temporary files are of no use to anyone.
    m_base.CloseTemp();
    DeleteTempFiles(false);
    m_worker.GetHost().JobFinished();
    return CJobResult::Failed("a part of the movie could not be made");
}

void CDataBaseCreation::DeleteTempFiles(bool onlyReadable) {
    std::error_code error;
    for (const std::string& file : m_base.GetTempFiles()) {
        if (onlyReadable && !std::ifstream(file, std::ios::binary).is_open())
            continue;
        std::filesystem::remove(file, error);
    }
}
