#pragma once
// The job object of the worker thread: a queue of requests, the registered
// work of each job kind, every job's AVI file slots, and the dispatch on the
// kind. The starting side opens and creates the files a job needs, then
// submits a request (a value: kind and parameters); Submit never blocks and
// never loses a request, also one that arrives while a job runs. The worker
// thread takes the requests in order and tells each one's end through its
// `done` callback, with the job's result. While a job runs only the abort
// flag and the pause gate are touched from outside.
//
// The worker itself does the sequences around the encoding (kinds 4 and 8)
// and the copy (10). The work of kinds 2, 3, 6, 7 and 9 comes from the code
// that owns it, registered with RegisterJob, which returns a token that
// unregisters it; a kind without registered work does nothing and is done.
// A multi-step job (the full creation, the creation from a data base) is
// submitted as a sequence: it runs on the worker thread, runs its steps with
// RunInline and talks to its caller only through the host.
//
// The owner stops the worker's thread (CWinBaseThread::Stop) before it
// destroys the worker, so that no job runs on a destroyed object.
//
// Notify flag: when it is set at the end of a request the host gets
// JobFinished. Kinds 4, 6, 8, 9 and 10 clear it at their start; the work of
// kind 6 sets it again at its end outside piece mode, that of kinds 2 and 7
// at their end.

#include "jobs/CJobRegistration.h"
#include "jobs/CJobRequest.h"
#include "jobs/CPauseGate.h"
#include "jobs/CThreadJob.h"
#include "jobs/JobKind.h"
#include "media/CJobResult.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CAVIFile;
class CAviCompressedStream;
class CProgressTimer;
class IHost;
struct CodecOptions;

class CWorker : public CThreadJob {
public:
    enum EFileSlot {
        FILE_LOW,
        FILE_FAST,
        FILE_SOURCE,
        FILE_COPY_SOURCE,
        FILE_COPY_DESTINATION,
        FILE_OUTPUT, // the final assembly's output
        FILE_MERGE_OUTPUT,
        FILE_SLOT_COUNT
    };

    // The work of one kind, on the worker thread, with its request.
    using JobWork = std::function<CJobResult(CWorker&, const CJobRequest&)>;
    // Several steps on the worker thread (see RunInline).
    using JobSequence = std::function<CJobResult(CWorker&)>;
    // Told on the worker thread when a submitted request has ended.
    using JobDone = std::function<void(const CJobResult&)>;

    explicit CWorker(IHost& host);
    ~CWorker() override;

    // Worker thread: runs the queued requests, in order, until none is left.
    void Run() override;

    // Any thread; returns at once. Queues `request` (or `sequence`) and wakes
    // the worker thread when one is attached; `done` gets the result.
    void Submit(const CJobRequest& request, JobDone done = {});
    void SubmitSequence(JobSequence sequence, JobDone done = {});
    // Runs one request on the calling thread and returns its result: a step
    // of a sequence on the worker thread, or a whole job in a test that has
    // no worker thread.
    CJobResult RunInline(const CJobRequest& request);

    // The work of kind 2, 3, 6, 7 or 9, until the token is destroyed; an
    // empty token for the kinds the worker does itself.
    [[nodiscard]] CJobRegistration RegisterJob(JobKind kind, JobWork work);

    // Stores the output path (shared with the LOW encoding) and the frame
    // rate, then creates the output file (an existing file is replaced).
    bool SetOutput(const std::string& path, int32_t framesPerSecond);
    // Opens each non-empty path into the LOW, FAST and source slots, with
    // the open-failure message. True when every given path opened.
    bool OpenInputs(const std::string& low, const std::string& fast, const std::string& source);
    // Copy job: opens `source` as copy source, creates `destination` with a
    // stream like each of the source's video and audio streams.
    bool PrepareCopy(const std::string& destination, const std::string& source);
    bool OpenCopySource(const std::string& path);

    // Merge inputs: owned files, in the order added.
    void ClearMergeInputs();
    // Opens `path` (with the open-failure message when `showMessage`) and
    // appends it; false and nothing added when it does not open.
    bool AddMergeInput(const std::string& path, bool showMessage);
    const std::vector<std::unique_ptr<CAVIFile>>& GetMergeInputs() const { return m_mergeInputs; }

    CAVIFile& GetFile(EFileSlot slot) { return *m_files[slot]; }
    void CloseFile(EFileSlot slot);

    // Abort (stop): any thread, after the user confirmed it. The running
    // job ends at its next frame, chunk or step with its files closed and a
    // "stopped" result; the requests queued behind it run as usual. A paused
    // job could never see it, so the gate opens. The flag is cleared when
    // the request that saw it has ended.
    void RequestAbort();
    bool IsAbortSet() const { return m_bAbort.load(); }

    void SetNotify(bool notify) { m_bNotify.store(notify); }
    bool GetNotify() const { return m_bNotify.load(); }

    // Jobs call this at every frame, chunk, audio block and step: it waits
    // while the job is paused, then returns false when the job is to stop.
    bool PassPauseGate() {
        m_pauseGate.Pass();
        return !IsAbortSet();
    }
    CPauseGate& GetPauseGate() { return m_pauseGate; }

    // The output name: the assembly's and the LOW encoding's path.
    void SetOutputPath(const std::string& path) { m_strOutput = path; }
    const std::string& GetOutputPath() const { return m_strOutput; }
    // The LOW and FAST compression streams, owned between the preparation
    // of an encoding and the end of the encoding job.
    std::shared_ptr<CAviCompressedStream>& GetCompressedStream(bool fast) {
        return fast ? m_pCompressedFast : m_pCompressedLow;
    }
    // The compressor options (held by their owner, not by the worker).
    void SetCodecOptions(CodecOptions* low, CodecOptions* fast) {
        m_pOptionsLow = low;
        m_pOptionsFast = fast;
    }
    CodecOptions* GetCodecOptions(bool fast) const { return fast ? m_pOptionsFast : m_pOptionsLow; }

    void SetFramesPerSecond(int32_t fps) { m_nFramesPerSecond = fps; }
    int32_t GetFramesPerSecond() const { return m_nFramesPerSecond; }

    IHost& GetHost() const { return m_host; }
    void SetProgressTimer(CProgressTimer* timer) { m_pProgressTimer = timer; }
    CProgressTimer* GetProgressTimer() const { return m_pProgressTimer; }

private:
    struct QueuedJob {
        CJobRequest request;
        JobSequence sequence; // set for a sequence; then `request` is unused
        JobDone done;
    };
    struct RegisteredWork {
        uint64_t id = 0;
        std::shared_ptr<const JobWork> work;
    };
    friend class CJobRegistration;
    void Unregister(JobKind kind, uint64_t id);
    void Enqueue(QueuedJob job);
    bool TakeNext(QueuedJob& job);
    CJobResult RunWork(const CJobRequest& request);
    CJobResult RunEncodeSequence(const CJobRequest& request);
    CJobResult RunCopy();

    // back-pointers
    IHost& m_host;
    CProgressTimer* m_pProgressTimer = nullptr;
    // output names
    std::string m_strOutput;
    // abort flag
    std::atomic<bool> m_bAbort{false};
    // AVI files
    std::array<std::unique_ptr<CAVIFile>, FILE_SLOT_COUNT> m_files;
    std::vector<std::unique_ptr<CAVIFile>> m_mergeInputs;
    // compressed streams
    std::shared_ptr<CAviCompressedStream> m_pCompressedLow;
    std::shared_ptr<CAviCompressedStream> m_pCompressedFast;
    // codec options
    CodecOptions* m_pOptionsLow = nullptr;
    CodecOptions* m_pOptionsFast = nullptr;
    // notify flag, job kind, frames per second
    std::atomic<bool> m_bNotify{true};
    int32_t m_nFramesPerSecond = 25;

    // The queue, guarded by its mutex.
    std::mutex m_queueMutex;
    std::deque<QueuedJob> m_queue;
    // Registered work; a run holds its own reference to the function, and
    // Unregister waits (on m_workIdle) while a run of that entry is under way.
    std::mutex m_workMutex;
    std::condition_variable m_workIdle;
    std::map<JobKind, RegisteredWork> m_work;
    uint64_t m_nNextWorkId = 1;
    uint64_t m_nRunningWorkId = 0;
    std::thread::id m_runningThread;
    CPauseGate m_pauseGate;
    int m_nRunDepth = 0; // Run calls in progress on the worker thread
};
