#include "app/CProjectAssembly.h"

#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/FileIdentity.h"
#include "settings/CIniFile.h"
#include "settings/CProjectFile.h"

CProjectAssembly::CProjectAssembly(CWorker& worker)
    : m_worker(worker), m_low(worker.GetHost()), m_fast(worker.GetHost()),
      m_job(worker, m_list, m_low, m_fast) {}

PrepareResult CProjectAssembly::Prepare(const AssembleProjectRequest& request) {
    m_warnings.clear();
    CIniFile settings;
    const ProjectLoadResult project = CProjectFile::Load(request.project, settings);
    if (!project.loaded)
        return PrepareResult::Failed(project.error);
    for (const std::string& warning : project.warnings)
        m_warnings.push_back(warning);
    const std::string lowPath = request.low.empty() ? project.lowFile : request.low;
    const std::string fastPath = request.fast.empty() ? project.fastFile : request.fast;
    if (lowPath.empty() || fastPath.empty())
        return PrepareResult::Refused(std::string("The project names no ") +
                                      (lowPath.empty() ? "LOW" : "FAST") + " movie: give " +
                                      (lowPath.empty() ? "--low" : "--fast") + ".");
    if (FindSameFile(request.output, {request.project, lowPath, fastPath}))
        return PrepareResult::Refused("The output " + request.output +
                                      " is one of the inputs; choose another name.");
    if (!m_low.Open(lowPath, true) || !m_fast.Open(fastPath, true))
        return PrepareResult::Failed("A movie of the project does not open.");
    const CAVIStream* lowVideo = m_low.GetStream(m_low.GetVideoIndex());
    if (!lowVideo)
        return PrepareResult::Failed("The LOW movie " + lowPath + " has no video stream.");
    m_list.Clear();
    for (const ProjectPart& part : project.parts)
        m_list.AddPart(part.fast ? m_fast : m_low, part.fast ? EPartEncoding::Fast : EPartEncoding::Low,
                       part.start, part.end);
    if (m_list.RowCount() == 0)
        m_warnings.push_back("the project lists no parts; the final AVI will be empty.");
    WarnAboutKeyFrames();
    if (!m_worker.SetOutput(request.output, lowVideo->GetFramesPerSecond()))
        return PrepareResult::Failed("Cannot create the final AVI file " + request.output);
    m_job.Register();
    return PrepareResult::Ready();
}

// Every part should start on a key frame of its movie; one that does not
// starts the output with a frame that cannot be decoded on its own.
void CProjectAssembly::WarnAboutKeyFrames() {
    for (const EncodingPart& part : m_list.Rows()) {
        const CAVIFile& file = part.IsLow() ? m_low : m_fast;
        const int32_t start = part.GetStart();
        if (!file.IsKeyFrame(file.GetVideoIndex(), start))
            m_warnings.push_back("the part " + std::to_string(start) + " - " + std::to_string(part.GetEnd()) +
                                 " (" + (part.IsLow() ? "LOW" : "FAST") +
                                 ") does not start on a key frame of " + file.GetPath());
    }
}

CJobResult CProjectAssembly::Run() {
    return m_worker.RunInline(CJobRequest::Of(JobKind::JOB_ASSEMBLE));
}

void CProjectAssembly::Start(CWorker::JobDone done) {
    m_worker.GetHost().JobStarted();
    m_worker.Submit(CJobRequest::Of(JobKind::JOB_ASSEMBLE), std::move(done));
}
