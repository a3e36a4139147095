#include "database/CDataBaseCreation.h"

#include "database/CMovieDataBase.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWaitBox.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/CCompressorRegistry.h"
#include "platform/COpenFileRegistry.h"
#include "platform/IHost.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

CDataBaseCreation::CDataBaseCreation(CWorker& worker, CMovieDataBase& base, CWaitBox& waitBox)
    : m_worker(worker), m_base(base), m_waitBox(waitBox) {}

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
            m_worker.GetHost().ShowMessage(std::string("The ") + codec.name +
                                           " compressor settings of the data base cannot be used: " + error);
            return false;
        }
    }
    return true;
}

CDataBaseCreation::EResult CDataBaseCreation::CheckIntervals(CAVIFile& source) const {
    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    if (!video)
        return RESULT_CREATED;
    const int64_t length = std::max(video->GetLength(), 0);
    std::string dropped;
    int32_t droppedCount = 0;
    int64_t covered = 0;
    CMovieDataBase::Interval interval;
    for (int32_t n = 0; m_base.GetInterval(n, interval); ++n) {
        int32_t first = 0;
        int32_t end = 0;
        CMovieDataBase::IntervalFrames(*video, interval, first, end);
        covered += end - first;
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
    if (covered > 2 * length) {
        host.ShowMessage("The intervals of the data base cover " + std::to_string(covered) +
                         " frames, more than twice the " + std::to_string(length) +
                         " frames of the source movie: they overlap. Nothing is created.");
        return RESULT_FAILED;
    }
    if (droppedCount > 0)
        host.ShowMessage("Warning: " + std::to_string(droppedCount) +
                         " interval(s) of the data base give no frames and are left out of the final AVI:" +
                         dropped + (droppedCount > 10 ? "\r\n..." : ""));
    return RESULT_CREATED;
}

CDataBaseCreation::EResult CDataBaseCreation::Create(CAVIFile& source, const CodecOptions& low,
                                                     const CodecOptions& fast, const std::string& output,
                                                     const std::string& tempDirectory) {
    IHost& host = m_worker.GetHost();
    m_base.ResetParts();
    m_base.SetTempDirectory(tempDirectory);
    const int32_t intervals = m_base.CountIntervals();
    if (intervals == 0)
        return RESULT_NOTHING;
    // The final AVI is created once every interval is written: under the name
    // of the source it would destroy what it is made of. The temporary files
    // live in a folder of their own, so they cannot meet it.
    if (COpenFileRegistry::Canonical(output) == COpenFileRegistry::Canonical(source.GetPath())) {
        host.ShowMessage("The final AVI " + output + " would replace the source movie; choose another name.");
        return RESULT_FAILED;
    }
    const EResult refusal = CheckIntervals(source);
    if (refusal != RESULT_CREATED)
        return refusal;
    if (!CheckCodecs(low, fast))
        return RESULT_FAILED;
    if (!m_worker.GetThread()) {
        host.ShowMessage("The worker is not running; nothing can be created.");
        return RESULT_FAILED;
    }

    // A folder made for this run inside the chosen one: files already there
    // (another run's 0.avi, a movie named 1.avi) are never replaced or deleted.
    std::string folder = tempDirectory + "/flintmoor-parts-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) {
        host.ShowMessage("Cannot make a folder for the temporary files in " + tempDirectory + ": " +
                         std::strerror(errno));
        return RESULT_FAILED;
    }
    m_base.SetTempDirectory(folder);
    m_base.SetTotalFrames(m_base.CountFrames(source));
    if (CProgressTimer* timer = m_worker.GetProgressTimer()) {
        timer->SetCurrent(0);
        timer->SetTotal(m_base.GetTotalFrames());
        timer->Start();
    }
    host.SetProgressRange(0, 10000);
    host.SetProgressPos(0);
    host.SetPercentText("0 %");

    CWinBaseThread& thread = *m_worker.GetThread();
    // Signals that reach a busy worker are lost: start only once it waits.
    while (!thread.IsWaiting())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CManualResetEvent* previousIdle = thread.GetIdleEvent();
    thread.SetIdleEvent(&m_steering.GetIdleEvent());
    m_waitBox.Clear();
    m_worker.SetJobWork(JOB_DATABASE_PART,
                        [this, &source](CWorker& worker) { m_base.CompressPart(source, worker); });

    const EResult result = Steer(source, low, fast, output);
    // Removed when empty: an aborted run's files and those of a failed join
    // stay in it for the user.
    std::error_code ignored;
    std::filesystem::remove(folder, ignored);

    m_worker.SetJobWork(JOB_DATABASE_PART, nullptr);
    thread.SetIdleEvent(previousIdle);
    if (CProgressTimer* timer = m_worker.GetProgressTimer())
        timer->Stop();
    return result;
}

CDataBaseCreation::EResult CDataBaseCreation::Steer(CAVIFile& source, const CodecOptions& low,
                                                    const CodecOptions& fast, const std::string& output) {
    IHost& host = m_worker.GetHost();
    if (!m_base.PrepareNextPart(source, low, fast))
        return m_base.IsFailed() ? Fail() : RESULT_NOTHING;
    host.JobStarted();
    m_steering.StartJob(JOB_DATABASE_PART);

    bool compressing = true;
    bool firstCopy = true;
    bool copyFailed = false;
    size_t next = 0;
    for (;;) {
        if (WaitForJob() != 0) {
            // Aborted: the worker stops after its current frame; what was
            // written so far stays on disk.
            m_worker.RequestAbort();
            m_steering.WaitUntilIdle();
            m_worker.SetAbort(false);
            m_base.CloseTemp();
            m_worker.CloseFile(CWorker::FILE_COPY_SOURCE);
            m_worker.GetFile(CWorker::FILE_COPY_DESTINATION).Discard();
            host.JobFinished();
            return RESULT_ABORTED;
        }
        if (m_base.IsFailed())
            return Fail();
        const std::vector<std::string>& files = m_base.GetTempFiles();
        if (compressing) {
            if (m_base.PrepareNextPart(source, low, fast)) {
                host.JobStarted();
                m_steering.StartJob(JOB_DATABASE_PART);
                continue;
            }
            if (m_base.IsFailed())
                return Fail();
            // A later temporary file that cannot be made would leave a final
            // AVI that silently lacks the rest of the movie.
            if (m_base.GetPart() < m_base.CountIntervals()) {
                host.ShowMessage("Cannot create the temporary file " + m_base.TempFileName(m_base.GetPart()) +
                                 "; nothing is created.");
                return Fail();
            }
            compressing = false;
        }
        if (firstCopy) {
            host.SetProgressPos(10000);
            host.SetPercentText("100 %");
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
                return Finish(output, true);
            }
        } else if (!m_worker.OpenCopySource(file)) {
            // Going on would make a final AVI that silently lacks this part.
            copyFailed = true;
        }
        ++next;
        m_steering.StartJob(JOB_COPY);
    }
}

CDataBaseCreation::EResult CDataBaseCreation::Finish(const std::string& output, bool copyFailed) {
    IHost& host = m_worker.GetHost();
    m_worker.CloseFile(CWorker::FILE_COPY_SOURCE);
    // A final AVI that lacks parts would pass for a finished one: it never
    // takes the output's name. The temporary files stay for the user.
    CAVIFile& destination = m_worker.GetFile(CWorker::FILE_COPY_DESTINATION);
    bool written = false;
    if (copyFailed)
        destination.Discard();
    else if (destination.IsOpen())
        copyFailed = !(written = destination.Close());
    host.SetStatusText("Deleting Temp Files...");
    CAVIFile check(host);
    EResult result = RESULT_FAILED;
    if (!copyFailed && check.Open(output, true)) {
        check.Close();
        DeleteTempFiles(true);
        host.SetStatusText(output + " sucessfully created!");
        result = RESULT_CREATED;
    } else {
        std::error_code ignored;
        if (written)
            std::filesystem::remove(output, ignored); // ours, and it does not open
        host.ShowMessage(MERGE_ERROR);
    }
    host.JobFinished();
    return result;
}

CDataBaseCreation::EResult CDataBaseCreation::Fail() {
    // A part that could not be made leaves the final AVI unmade; its
    // temporary files are of no use to anyone.
    m_base.CloseTemp();
    DeleteTempFiles(false);
    m_worker.GetHost().JobFinished();
    return RESULT_FAILED;
}

int CDataBaseCreation::WaitForJob() {
    const int result = m_steering.WaitForEnd();
    if (result == 0)
        m_steering.WaitUntilIdle();
    return result;
}

void CDataBaseCreation::DeleteTempFiles(bool onlyReadable) {
    std::error_code error;
    for (const std::string& file : m_base.GetTempFiles()) {
        if (onlyReadable && !std::ifstream(file, std::ios::binary).is_open())
            continue;
        std::filesystem::remove(file, error);
    }
}
