#include "app/DataBaseUseCases.h"

#include "encoding/EncodingPart.h"
#include "media/IHost.h"
#include "platform/FileIdentity.h"
#include "settings/CIniFile.h"
#include "settings/CProjectFile.h"

#include <filesystem>

PrepareResult ExportDataBase(IHost& host, const ExportDataBaseRequest& request,
                             std::vector<std::string>& warnings, std::string& status) {
    if (FindSameFile(request.output, {request.project, request.source}))
        return PrepareResult::Refused("the output " + request.output +
                                      " is one of the inputs; choose another name");
    CIniFile settings;
    const ProjectLoadResult project = CProjectFile::Load(request.project, settings);
    if (!project.loaded)
        return PrepareResult::Failed(project.error);
    warnings = project.warnings;
    std::vector<EncodingPart> rows;
    for (const ProjectPart& part : project.parts)
        rows.push_back(EncodingPart::Make(part.fast ? EPartEncoding::Fast : EPartEncoding::Low, part.start,
                                          part.end, part.end, 0, 0, 0, 0));
    if (rows.empty())
        warnings.push_back("the project lists no parts; the data base will hold no interval.");
    if (!CMovieDataBase::Export(host, request.source, rows, request.low, request.fast, request.output,
                                status))
        return PrepareResult::Failed(status);
    return PrepareResult::Ready();
}

bool ImportDataBase(IHost& host, const std::string& path, const std::string& source,
                    ImportedDataBase& imported, std::string& status) {
    auto base = std::make_unique<CMovieDataBase>(host);
    CodecOptions low;
    CodecOptions fast;
    if (!base->Import(path, low, fast, status))
        return false;
    const std::string refused = "Error: Can´t load " + path;
    // Any bytes load as an INI file; one without a single section of ours
    // is something else, and taking it would claim both compressors set.
    if (!base->HasDataBaseSections()) {
        host.ShowError(path + " is no movie data base: it has none of its sections.");
        status = refused;
        return false;
    }
    CAVIFile movie(host);
    int32_t total = 0;
    if (movie.Open(source, true)) {
        std::string overlap;
        if (base->CoversTooMuch(movie, overlap)) {
            host.ShowError(overlap + " The data base is not imported.");
            status = refused;
            return false;
        }
        total = base->CountFrames(movie);
        movie.Close();
    }
    imported.base = std::move(base);
    imported.low = std::move(low);
    imported.fast = std::move(fast);
    imported.totalFrames = total;
    return true;
}

CDataBaseCreate::CDataBaseCreate(CWorker& worker)
    : m_worker(worker), m_base(worker.GetHost()), m_source(worker.GetHost()), m_creation(worker, m_base) {}

PrepareResult CDataBaseCreate::Prepare(const CreateFromDataBaseRequest& request, std::string& status) {
    if (FindSameFile(request.output, {request.dataBase, request.source}))
        return PrepareResult::Refused("the output " + request.output +
                                      " is one of the inputs; choose another name");
    // As the data base dialog does: the temporary files go beside the source.
    const std::filesystem::path beside = std::filesystem::path(request.source).parent_path();
    const std::string temp = !request.tempDirectory.empty() ? request.tempDirectory
                             : beside.empty()               ? std::string(".")
                                                            : beside.string();
    if (!std::filesystem::is_directory(temp))
        return PrepareResult::Refused("the temporary directory " + temp + " does not exist");
    if (!m_base.Import(request.dataBase, m_low, m_fast, status))
        return PrepareResult::Failed(status);
    if (!m_source.Open(request.source, true))
        return PrepareResult::Failed("the source movie " + request.source + " does not open");
    if (!m_base.CheckCompatibility(&m_source))
        return PrepareResult::Failed("Nothing created: the data base does not fit the source movie.");
    m_strOutput = request.output;
    if (!m_creation.Prepare(m_source, m_low, m_fast, m_strOutput, temp))
        return PrepareResult::Failed("the creation cannot start");
    return PrepareResult::Ready();
}

CJobResult CDataBaseCreate::Run() {
    return m_creation.Run(m_source, m_low, m_fast, m_strOutput);
}

void CDataBaseCreate::Start(CWorker::JobDone done) {
    m_creation.Start(m_source, m_low, m_fast, m_strOutput, std::move(done));
}
