#include "app/CMergeFiles.h"

#include "media/IHost.h"
#include "platform/FileIdentity.h"

PrepareResult CMergeFiles::Prepare(const MergeFilesRequest& request) {
    m_request = request;
    if (FindSameFile(request.output, request.inputs))
        return PrepareResult::Refused("The output " + request.output +
                                      " is one of the inputs; choose another name.");
    m_worker.ClearMergeInputs();
    m_nOpened = 0;
    for (const std::string& input : request.inputs)
        m_nOpened += m_worker.AddMergeInput(input, true) ? 1 : 0;
    // Nothing to take the formats from: leave the output alone.
    if (m_nOpened == 0)
        return PrepareResult::Failed("no input opens");
    if (!m_job.PrepareMerge(request.output, nullptr, false, false))
        return PrepareResult::Failed("the output cannot be created");
    m_job.Register();
    return PrepareResult::Ready();
}

CJobRequest CMergeFiles::Request() const {
    CJobRequest request = CJobRequest::Of(JobKind::JOB_MERGE);
    request.bTrySynchronization = m_request.trySynchronization;
    return request;
}

CJobResult CMergeFiles::Run() {
    return m_worker.RunInline(Request());
}

void CMergeFiles::Start(CWorker::JobDone done) {
    m_worker.GetHost().JobStarted();
    m_worker.Submit(Request(), std::move(done));
}
