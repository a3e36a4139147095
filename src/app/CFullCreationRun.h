#pragma once
// "Full creation": the source encoded into the LOW and the FAST file (whole,
// or in resumable pieces), the oracle run on them and the project saved,
// and with an output named, the final AVI assembled from that project. One
// sequence on the worker thread: Prepare on the calling thread, Run on the
// worker thread (Start queues it); each step ends the sequence when it is
// stopped or fails.

#include "app/COracleAndSave.h"
#include "app/CProjectAssembly.h"
#include "app/PrepareResult.h"
#include "creation/CFullCreation.h"
#include "jobs/CWorker.h"
#include "media/CJobResult.h"
#include "platform/CodecOptions.h"

#include <cstdint>
#include <memory>
#include <string>

struct FullCreationRunRequest {
    std::string source;
    std::string low;  // "" for the proposal beside the source
    std::string fast; // "" for the proposal beside the source
    bool saveCreation = false;
    int32_t frameSize = CFullCreation::MIN_FRAME_SIZE;
    CodecOptions lowCodec;
    CodecOptions fastCodec;
    OracleStartSettings oracle; // comparing with the source; the oracle file proposed when empty
    std::string project;
    std::string output; // "" for no assembly
};

class CFullCreationRun {
public:
    explicit CFullCreationRun(CWorker& worker);

    // Proposes the names, refuses a written file that is the source or
    // another written file.
    PrepareResult Prepare(const FullCreationRunRequest& request);

    CJobResult Run();
    void Start(CWorker::JobDone done);
    // Only the encoding of the LOW and FAST files, for a caller that starts
    // the oracle itself (the window, whose list the oracle fills).
    void StartCreation(CWorker::JobDone done);

    // The names used (after the proposals) and what the oracle made.
    const std::string& GetLowFile() const { return m_creationRequest.lowFile; }
    const std::string& GetFastFile() const { return m_creationRequest.fastFile; }
    const COracleAndSave& GetOracle() const { return m_oracle; }
    // The assembly's warnings (empty without an output).
    const std::vector<std::string>& GetWarnings() const;

private:
    CWorker& m_worker;
    FullCreationRunRequest m_request;
    FullCreationRequest m_creationRequest;
    CFullCreation m_creation;
    COracleAndSave m_oracle;
    std::unique_ptr<CProjectAssembly> m_assembly;
};
