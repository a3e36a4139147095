#pragma once
// The job object of the worker thread: the job kind, every job's parameters
// and AVI file slots, and the dispatch on the kind. Parameters are written on
// the starting side before the thread is signalled (the signal publishes
// them); while a job runs only the abort flag and the pause gate are touched
// from outside.
//
// The worker itself does the sequences around the encoding (kinds 4 and 8),
// the data base part's frame (9) and the copy (10). The work of kinds 2, 3,
// 6, 7 and 9 comes from the code that owns it, registered with SetJobWork;
// a kind without registered work does nothing.
//
// The owner stops the worker's thread (CWinBaseThread::Stop) before it
// destroys the worker, so that no job runs on a destroyed object.
//
// Notify flag: when it is set at the end of Run the host gets JobFinished.
// Kinds 4, 6, 8, 9 and 10 clear it at their start; the work of kind 6 sets it
// again at its end outside piece mode, that of kinds 2 and 7 at their end.

#include "jobs/CPauseGate.h"
#include "jobs/CThreadJob.h"
#include "jobs/JobKind.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
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
        FILE_SPARE_1, // no job opens the three spare slots; the abort cleanup closes them
        FILE_SPARE_2,
        FILE_SPARE_3,
        FILE_SLOT_COUNT
    };

    struct OracleParameters {
        double dOracleValue = 0;
        double dComparisonValue = 0;
        bool bSizeLimit = false;
        double dSizeLimitKBytes = 0;
        std::string strOracleFile;
    };

    using JobWork = std::function<void(CWorker&)>;

    explicit CWorker(IHost& host);
    ~CWorker() override;

    // Worker thread: runs the job of the current kind.
    void Run() override;

    // The work of kind 2, 3, 6, 7 or 9; false (and nothing stored) for the
    // kinds the worker does itself and for unknown ones.
    bool SetJobWork(int kind, JobWork work);

    void SetJobKind(int kind) { m_nJobKind.store(kind); }
    int GetJobKind() const { return m_nJobKind.load(); }

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

    // Abort: set by the starting side after the user confirmed it; only the
    // encoding reacts. A paused job could never see it, so the gate opens.
    void RequestAbort();
    void SetAbort(bool abort) { m_bAbort.store(abort); }
    bool IsAbortSet() const { return m_bAbort.load(); }

    void SetNotify(bool notify) { m_bNotify.store(notify); }
    bool GetNotify() const { return m_bNotify.load(); }

    // Jobs call this at every frame and audio block.
    void PassPauseGate() { m_pauseGate.Pass(); }
    CPauseGate& GetPauseGate() { return m_pauseGate; }

    // Piece range of the full creation's save way (-1 until set).
    void SetPieceRange(int32_t first, int32_t end) {
        m_nPieceFirst = first;
        m_nPieceEnd = end;
    }
    int32_t GetPieceFirst() const { return m_nPieceFirst; }
    int32_t GetPieceEnd() const { return m_nPieceEnd; }
    void SetPieceMode(bool pieceMode) { m_bPieceMode = pieceMode; }
    bool IsPieceMode() const { return m_bPieceMode; }

    void SetTrySynchronization(bool sync) { m_bTrySynchronization = sync; }
    bool GetTrySynchronization() const { return m_bTrySynchronization; }

    // Output names: the assembly's and LOW encoding's path, the FAST path,
    // and the file whose video the merge leaves out.
    void SetOutputPath(const std::string& path) { m_strOutput = path; }
    const std::string& GetOutputPath() const { return m_strOutput; }
    void SetFastOutputPath(const std::string& path) { m_strOutputFast = path; }
    const std::string& GetFastOutputPath() const { return m_strOutputFast; }
    void SetExcludedMergeName(const std::string& name) { m_strExcludedMergeName = name; }
    const std::string& GetExcludedMergeName() const { return m_strExcludedMergeName; }

    OracleParameters& GetOracleParameters() { return m_oracle; }

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
    void RunWork(int kind);
    void RunEncodeSequence(int kind);
    void RunCopy();

    // back-pointers
    IHost& m_host;
    CProgressTimer* m_pProgressTimer = nullptr;
    // piece range
    int32_t m_nPieceFirst = -1;
    int32_t m_nPieceEnd = -1;
    bool m_bPieceMode = false;
    // merge option
    bool m_bTrySynchronization = true;
    // output names
    std::string m_strOutput;
    std::string m_strOutputFast;
    std::string m_strExcludedMergeName;
    // abort flag
    std::atomic<bool> m_bAbort{false};
    // oracle parameters
    OracleParameters m_oracle;
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
    std::atomic<int> m_nJobKind{0};
    int32_t m_nFramesPerSecond = 25;

    std::map<int, JobWork> m_work;
    CPauseGate m_pauseGate;
    int m_nRunDepth = 0; // Run calls in progress on the worker thread
};
