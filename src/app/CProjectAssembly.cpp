#include "app/CProjectAssembly.h"

#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/FileIdentity.h"
#include "settings/CIniFile.h"
#include "settings/CProjectFile.h"

#include <algorithm>

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
    const size_t dropped = FillList(project.parts);
    // A final AVI that lacks rows of the list is written, and said to be so.
    m_bWhole = dropped == 0 && project.warnings.empty();
    if (m_list.RowCount() == 0)
        return PrepareResult::Failed("Nothing written: the project lists no part the movies can give.");
    WarnAboutKeyFrames();
    if (!m_worker.SetOutput(request.output, lowVideo->GetFramesPerSecond()))
        return PrepareResult::Failed("Cannot create the final AVI file " + request.output);
    m_job.Register();
    return PrepareResult::Ready();
}

// Adds every part that its movie can give; each one that is cut or left out
// is named in a warning. Returns how many were.
size_t CProjectAssembly::FillList(const std::vector<ProjectPart>& parts) {
    size_t dropped = 0;
    for (const ProjectPart& part : parts) {
        const CAVIFile& file = part.fast ? m_fast : m_low;
        const int32_t length = file.GetLength();
        const std::string row = "part " + std::to_string(part.row) + " (frames " +
                                std::to_string(part.start) + " - " + std::to_string(part.end) + ", " +
                                (part.fast ? "FAST" : "LOW") + ") ";
        const int32_t end = std::min(part.end, length);
        if (part.start >= length) {
            m_warnings.push_back(row + "starts past the end of " + file.GetPath() + " (" +
                                 std::to_string(length) + " frames); it is left out.");
        } else if (m_list.AddPart(file, part.fast ? EPartEncoding::Fast : EPartEncoding::Low, part.start,
                                  end) < 0) {
            m_warnings.push_back(row + "gives no frames; it is left out.");
        } else if (end < part.end) {
            m_warnings.push_back(row + "runs past the end of " + file.GetPath() + "; it is cut at frame " +
                                 std::to_string(end) + ".");
        } else {
            continue;
        }
        ++dropped;
    }
    return dropped;
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
