#pragma once
// The oracle: cuts the movie into intervals at the LOW file's key frames,
// measures (or reads back from its file) one quality value per encoding and
// interval, decides LOW or FAST per interval, lists the runs of equal
// decisions, and can trade quality for size under a limit.

#include "oracle/COracleFile.h"
#include "oracle/COracleInputs.h"
#include "oracle/OracleInterval.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CFrameReadAhead;
class CTaskTeam;
class IHost;
class IOracleListSink;
class IOracleMedia;
class IOracleTimer;

class COracle {
public:
    explicit COracle(IHost& host);
    virtual ~COracle();
    COracle(const COracle&) = delete;
    COracle& operator=(const COracle&) = delete;

    // The oracle's own LOW, FAST and source movie files; they are its inputs
    // unless SetInputs names others.
    COracleInputs& GetFiles() { return m_files; }
    // Other inputs (not owned; source may be null), the encoding list and
    // the time display (both may be null).
    void SetInputs(IOracleMedia* low, IOracleMedia* fast, IOracleMedia* source);
    void SetListSink(IOracleListSink* sink) { m_pSink = sink; }
    void SetTimer(IOracleTimer* timer) { m_pTimer = timer; }
    // Asked before every measured frame: it may wait (a paused job) and
    // returns false to stop the run. Empty for none.
    void SetStepCheck(std::function<bool()> check) { m_stepCheck = std::move(check); }
    // True when the last run was stopped by the step check (HasError is set
    // too: the run did not finish, and its oracle file is gone).
    bool WasStopped() const { return m_bStopped; }

    void SetUseSourceMovie(bool use) { m_useSourceMovie = use; }
    void SetPrecisionMode(int32_t mode) { m_PrecisionMode = mode; }
    void SetOracleValue(double value) { m_oracleValue = value; }
    void SetComparisonValue(double value) { m_comparisonValue = value; }
    // Decode each movie on a thread of its own, running a few frames ahead
    // of the measuring (default), or all of them one after the other on the
    // calling thread; the results are the same.
    void SetParallelDecoding(bool parallel) { m_bParallel = parallel; }
    // With the source: measure the sum of squared differences (what PSNR
    // counts) instead of the sum of absolute differences.
    void SetSquaredDifferences(bool squared) { m_bSquared = squared; }
    // A size target replaces the decisions and the size limit: per interval
    // the encoding that keeps the final at or under the target with the
    // smallest summed difference. Off with a target of 0 or less.
    void SetSizeTarget(double targetKBytes) { m_dTargetKBytes = targetKBytes; }
    // True when the last run could not bring the movie down to the size
    // target: it took the smaller encoding everywhere and said so.
    bool MissedSizeTarget() const { return m_bTargetMissed; }

    // The oracle job: clear the list, measure or read, decide, and either
    // meet the size limit or end with "Waiting!". False when the run failed.
    bool RunJob(const std::string& oracleFile, double oracleValue, double comparisonValue, bool limitFlag,
                double limitKBytes);

    // True when the values were measured in this run (decisions and list are
    // then complete); false when they came from the file (call DecideAll) or
    // the run failed (HasError).
    bool RunOracle(const std::string& oracleFile);
    bool EvaluateIntervals();
    void DecideAll();
    // True for LOW; also sets the interval's decidedBySize.
    bool DecideInterval(OracleInterval& interval) const;
    void AppendRun(OracleInterval& interval, bool isLow);
    // Lists the run still open, if any.
    void CloseRun();
    void ClearRunState();

    int32_t NextSampledFrame(int32_t start, int32_t end, int32_t current) const;
    // Decodes and measures one frame; the contributions are scaled by the
    // interval's length. False after a message when it cannot be compared.
    bool CompareFrame(int32_t frame, const OracleInterval& interval, double* lowContribution,
                      double* fastContribution);

    // Estimated size of the final movie in KBytes of 1000 bytes.
    double EstimateSize();
    void OptimiseSize(double limitKBytes);
    // The choice for the size target; false when even the smallest choice is
    // larger (it is taken then, after a message).
    bool MeetSizeTarget(double targetKBytes);

    bool HasError() const { return m_bError; }
    const std::vector<OracleInterval>& GetIntervals() const { return m_intervals; }
    // Replaces the intervals (a caller that decides on values it has).
    void SetIntervals(std::vector<OracleInterval> intervals) { m_intervals = std::move(intervals); }

private:
    void BuildIntervals();
    // Why the values read from a cached file of `length` bytes cannot be
    // this movie's ("" when they can): a record for every interval, each
    // value finite and not negative, as a measurement gives them.
    std::string CachedValuesUnfit(int64_t length) const;
    // The encoding list afresh from every interval's choice.
    void ListChoices();
    bool CreateOracleFile(const std::string& name);
    // The frames of the next measured step: the first decoded side by side
    // on the team, the others taken from the movies' read-ahead queues
    // (started on the second step, once the first step's frames, which may
    // point into the decoders, are no longer used).
    void DecodeStep(int32_t frame);
    void DecodeSideBySide(int32_t frame);
    void StartReadAhead();
    void TakeReadAhead();
    // The frame numbers to measure, in order.
    void ListSampledFrames();
    // Side by side on the team, or one after the other without one.
    void RunTasks(const std::vector<std::function<void()>>& tasks);
    void ReleaseFrameBuffers();
    void ShowProgress(int position);
    void ShowOracleError(const std::string& text);
    // A status text with two numbers ("... %d of %d ...   ").
    static std::string FormatStatus(const char* format, int a, int b);

    IHost& m_host;
    COracleInputs m_files;
    IOracleMedia* m_pLow = nullptr;
    IOracleMedia* m_pFast = nullptr;
    IOracleMedia* m_pSource = nullptr;
    IOracleListSink* m_pSink = nullptr;
    IOracleTimer* m_pTimer = nullptr;

    bool m_useSourceMovie = false;
    int32_t m_PrecisionMode = 1;
    double m_oracleValue = 0.0;
    double m_comparisonValue = 0.0;
    bool m_bParallel = true;
    bool m_bSquared = false;
    double m_dTargetKBytes = 0.0;
    bool m_bTargetMissed = false;
    bool m_bError = false;
    bool m_bStopped = false;
    std::function<bool()> m_stepCheck;

    std::vector<OracleInterval> m_intervals;
    std::vector<OracleInterval*> m_candidates;
    int m_nCandidatesLeft = 0;

    // Run state of the list building: kind -1 none yet, 1 LOW, 2 FAST.
    int m_nRunKind = -1;
    int32_t m_nRunStart = 0;
    int32_t m_nRunEnd = 0;

    COracleFile m_file;
    int64_t m_nBytesToRead = 0;

    // Frames of the current step. Without the source movie they point into
    // the decoders' own pictures; with it into the buffers owned below.
    uint8_t* m_pbBufferLow = nullptr;
    uint8_t* m_pbBufferFast = nullptr;
    uint8_t* m_pbBufferSource = nullptr;
    std::unique_ptr<uint8_t[]> m_ownLow;
    std::unique_ptr<uint8_t[]> m_ownFast;
    std::unique_ptr<uint8_t[]> m_ownSource;
    int32_t m_nSizeLow = 0;
    int32_t m_nSizeFast = 0;
    int32_t m_nSizeSource = 0;
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    // Without the source movie each decoding task also measures its own
    // frame's detail, with that frame's own dimensions; the FAST value is
    // measured again with the LOW dimensions when the two differ.
    int32_t m_nFastWidth = 0;
    int32_t m_nFastHeight = 0;
    int64_t m_nDetailLow = 0;
    int64_t m_nDetailFast = 0;
    int32_t m_nLowLength = 0; // frames of the LOW video stream
    std::unique_ptr<CTaskTeam> m_team;

    std::vector<int32_t> m_frames;
    size_t m_nStep = 0; // index into m_frames of the frame being measured
    std::unique_ptr<CFrameReadAhead> m_aheadLow;
    std::unique_ptr<CFrameReadAhead> m_aheadFast;
    std::unique_ptr<CFrameReadAhead> m_aheadSource;
    bool m_bAheadHeld = false; // the queues' front frames are in use
};
