#pragma once
// "Assemble a project": the project file's rows as the encoding list, its
// LOW and FAST movies (or others given), and the final AVI written from them
// by the assembly job. Prepare runs on the calling thread; Run on the worker
// thread (Start queues it there).

#include "app/PrepareResult.h"
#include "encoding/CEncodingList.h"
#include "jobs/CAssembleJob.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CJobResult.h"
#include "settings/CProjectFile.h"

#include <string>
#include <vector>

struct AssembleProjectRequest {
    std::string project;
    std::string output;
    std::string low;  // "" for the project's
    std::string fast; // "" for the project's
};

class CProjectAssembly {
public:
    explicit CProjectAssembly(CWorker& worker);

    // Loads the project, refuses an output that is one of the inputs, opens
    // the movies, fills the list and creates the output.
    PrepareResult Prepare(const AssembleProjectRequest& request);
    // What the user should know before the run (the project's own warnings,
    // parts that do not start on a key frame, an empty list).
    const std::vector<std::string>& GetWarnings() const { return m_warnings; }
    const CEncodingList& GetList() const { return m_list; }
    // False when a row of the project was cut or left out, or the project
    // itself warned: the final AVI is then not the whole list.
    bool IsWhole() const { return m_bWhole; }

    CJobResult Run();
    void Start(CWorker::JobDone done);

private:
    size_t FillList(const std::vector<ProjectPart>& parts);
    void WarnAboutKeyFrames();

    CWorker& m_worker;
    CAVIFile m_low;
    CAVIFile m_fast;
    CEncodingList m_list;
    std::vector<std::string> m_warnings;
    CAssembleJob m_job;
    bool m_bWhole = true;
};
