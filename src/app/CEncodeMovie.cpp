#include "app/CEncodeMovie.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/FileIdentity.h"

CEncodeMovie::~CEncodeMovie() {
    m_worker.SetCodecOptions(nullptr, nullptr);
}

PrepareResult CEncodeMovie::Prepare(const EncodeMovieRequest& request) {
    m_request = request;
    if (FindSameFile(request.source, {request.low, request.fast}))
        return PrepareResult::Refused("the LOW and FAST files must not be the source " + request.source);
    if (IsSameFile(request.low, request.fast))
        return PrepareResult::Refused("the LOW and FAST files must be two different files");
    if (!m_worker.OpenInputs("", "", request.source))
        return PrepareResult::Failed("the source " + request.source + " does not open");
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    if (!video)
        return PrepareResult::Failed("The source " + request.source + " has no video stream.");
    // Key frames are forced every fps frames.
    const int32_t fps = video->GetFramesPerSecond();
    if (fps < 1)
        return PrepareResult::Failed("The source " + request.source +
                                     " has a frame rate below 1 per second.");
    m_job.Register();
    m_worker.SetCodecOptions(&m_request.lowCodec, &m_request.fastCodec);
    if (!m_job.PrepareEncoding(request.low, fps, true, false) ||
        !m_job.PrepareEncoding(request.fast, fps, true, true))
        return PrepareResult::Failed("");
    return PrepareResult::Ready();
}

CJobResult CEncodeMovie::Run() {
    return m_worker.RunInline(CJobRequest::Of(JobKind::JOB_ENCODE_KEEP_SOURCE));
}

void CEncodeMovie::Start(CWorker::JobDone done) {
    m_worker.GetHost().JobStarted();
    m_worker.Submit(CJobRequest::Of(JobKind::JOB_ENCODE_KEEP_SOURCE), std::move(done));
}
