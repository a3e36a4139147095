#pragma once
// "Export a data base" and "create a movie from a data base".
//
// The export is quick and runs on the calling thread. The creation imports
// the data base, opens the user's source movie and checks that the two fit
// (Prepare, calling thread), then compresses every interval and joins them
// into the final AVI on the worker thread (Run; Start queues it).

#include "app/PrepareResult.h"
#include "database/CDataBaseCreation.h"
#include "database/CMovieDataBase.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CJobResult.h"
#include "platform/CodecOptions.h"

#include <memory>
#include <string>
#include <vector>

class IHost;

struct ExportDataBaseRequest {
    std::string project;
    std::string source;
    std::string output;
    CodecOptions low;
    CodecOptions fast;
};

// Writes the data base from the project's rows and the source movie.
// `warnings` gets what the user should know, `status` the data base layer's
// status text. Refused: the output is one of the inputs.
PrepareResult ExportDataBase(IHost& host, const ExportDataBaseRequest& request,
                             std::vector<std::string>& warnings, std::string& status);

// What an import read, kept apart from the importer's own data base and
// compressor records until it has passed every check: a refused import
// changes nothing.
struct ImportedDataBase {
    std::unique_ptr<CMovieDataBase> base;
    CodecOptions low;
    CodecOptions fast;
    int32_t totalFrames = 0; // 0 when the original movie does not open
};

// Loads `path` and checks it against the original movie `source`: a file
// that holds no data base section, compressor state blocks no compressor can
// have, or intervals that overlap the movie over and over are refused with a
// message. `status` gets the status line text (" sucessfully imported." or
// "Error: Can´t load ..."). The original movie that does not open is said
// so and gives 0 frames; the import still holds.
bool ImportDataBase(IHost& host, const std::string& path, const std::string& source,
                    ImportedDataBase& imported, std::string& status);

struct CreateFromDataBaseRequest {
    std::string dataBase;
    std::string source;
    std::string output;
    std::string tempDirectory; // "" for the source's directory
};

class CDataBaseCreate {
public:
    explicit CDataBaseCreate(CWorker& worker);

    // `status` gets the import's status text. Refused: the output is one of
    // the inputs, or the temporary directory does not exist. Failed: the
    // data base or the source does not open, the two do not fit, or there is
    // nothing to create (NothingToCreate).
    PrepareResult Prepare(const CreateFromDataBaseRequest& request, std::string& status);
    bool NothingToCreate() const { return m_creation.NothingToCreate(); }
    // False when intervals of the data base give no frames (each was named).
    bool IsWhole() const { return m_creation.IsWhole(); }
    // The name of the first temporary file (for "nothing created" texts).
    std::string FirstTempFile() const { return m_base.TempFileName(0); }

    CJobResult Run();
    void Start(CWorker::JobDone done);

private:
    CWorker& m_worker;
    CMovieDataBase m_base;
    CAVIFile m_source;
    CodecOptions m_low;
    CodecOptions m_fast;
    std::string m_strOutput;
    CDataBaseCreation m_creation;
};
