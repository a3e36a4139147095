// flintmoor-cli db export --project PROJECT.ini --source SOURCE.avi --output MOVIE.vdb
//                         [--low-codec SPEC] [--fast-codec SPEC]
// flintmoor-cli db create MOVIE.vdb --source SOURCE.avi --output FINAL.avi [--temp DIR] [--yes|--no]
// Export writes a movie data base from a project's encoding list; create
// rebuilds the movie from a data base and one's own copy of the source.

#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "database/CDataBaseCreation.h"
#include "database/CMovieDataBase.h"
#include "encoding/EncodingPart.h"
#include "media/CAVIFile.h"
#include "platform/CCompressorRegistry.h"
#include "platform/FileIdentity.h"
#include "settings/CIniFile.h"
#include "settings/CProjectFile.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {
struct ExportArgs {
    std::string project;
    std::string source;
    std::string output;
    std::string lowCodec = "DIV3";
    std::string fastCodec = "DIV4";
};

struct CreateArgs {
    std::string dataBase;
    std::string source;
    std::string output;
    std::string temp;
    bool yes = false;
    bool no = false;
};

int Usage(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "flintmoor-cli db %s: %s\n", command.c_str(), message.c_str());
    return 2;
}

void Say(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

int RunExport(const ExportArgs& args) {
    if (FindSameFile(args.output, {args.project, args.source}))
        return Usage("export", "the output " + args.output + " is one of the inputs; choose another name");
    CodecOptions low, fast;
    std::string error;
    if (!CCompressorRegistry::ParseSpec(args.lowCodec, low, &error))
        return Usage("export", "--low-codec: " + error);
    if (!CCompressorRegistry::ParseSpec(args.fastCodec, fast, &error))
        return Usage("export", "--fast-codec: " + error);

    CIniFile settings;
    const ProjectLoadResult project = CProjectFile::Load(args.project, settings);
    if (!project.loaded) {
        Say(project.error);
        return 1;
    }
    for (const std::string& warning : project.warnings)
        Say("Warning: " + warning);
    std::vector<EncodingPart> rows;
    for (const ProjectPart& part : project.parts)
        rows.push_back(EncodingPart::Make(part.fast ? EPartEncoding::Fast : EPartEncoding::Low, part.start,
                                          part.end, part.end, 0, 0, 0, 0));
    if (rows.empty())
        Say("Warning: the project lists no parts; the data base will hold no interval.");

    CCliJobRunner runner;
    std::string status;
    const bool exported =
        CMovieDataBase::Export(runner.GetHost(), args.source, rows, low, fast, args.output, status);
    runner.Say(status);
    return exported ? 0 : 1;
}

int RunCreate(const CreateArgs& args) {
    if (FindSameFile(args.output, {args.dataBase, args.source}))
        return Usage("create", "the output " + args.output + " is one of the inputs; choose another name");
    std::string temp = args.temp;
    if (temp.empty()) {
        // As the data base dialog does: the temporary files go beside the source.
        temp = std::filesystem::path(args.source).parent_path().string();
        if (temp.empty())
            temp = ".";
    }
    if (!std::filesystem::is_directory(temp))
        return Usage("create", "the temporary directory " + temp + " does not exist");

    CCliJobRunner runner;
    CTerminalHost& host = runner.GetHost();
    host.SetAnswerPolicy(args.yes  ? CTerminalHost::EAnswerPolicy::Yes
                         : args.no ? CTerminalHost::EAnswerPolicy::No
                                   : CTerminalHost::EAnswerPolicy::Safe);
    CMovieDataBase base(host);
    CodecOptions low, fast;
    std::string status;
    if (!base.Import(args.dataBase, low, fast, status)) {
        runner.Say(status);
        return 1;
    }
    runner.Say(status);
    CAVIFile source(host);
    if (!source.Open(args.source, true))
        return 1;
    if (!base.CheckCompatibility(&source)) {
        runner.Say("Nothing created: the data base does not fit the source movie.");
        return 1;
    }

    CDataBaseCreation creation(runner.GetWorker(), base);
    CJobResult result = CJobResult::Failed("not prepared");
    if (creation.Prepare(source, low, fast, args.output, temp))
        result = runner.RunSequence([&](CWorker&) { return creation.Run(source, low, fast, args.output); });
    if (creation.NothingToCreate()) {
        runner.Say("Nothing created: the data base lists no interval, or the temporary file " +
                   base.TempFileName(0) + " cannot be created.");
        return 1;
    }
    if (result.IsStopped())
        runner.Say("Aborted; the files written so far stay.");
    return CCliJobRunner::ExitStatus(result);
}
} // namespace

void RegisterDbCommand(CLI::App& app, CliExit& exitCode) {
    CLI::App* db = app.add_subcommand("db", "Movie data bases: export one, or create a movie from one");
    db->require_subcommand(1);

    auto exportArgs = std::make_shared<ExportArgs>();
    CLI::App* exportCommand = db->add_subcommand(
        "export", "Write a movie data base from a project's encoding list and a source movie");
    exportCommand->add_option("--project", exportArgs->project, "Project settings file (.ini)")->required();
    exportCommand->add_option("--source", exportArgs->source, "The source movie the list was made from")
        ->required();
    exportCommand->add_option("--output", exportArgs->output, "The data base to write (.vdb, replaced)")
        ->required();
    exportCommand->add_option("--low-codec", exportArgs->lowCodec, "LOW compressor (see `codecs`)")
        ->capture_default_str();
    exportCommand->add_option("--fast-codec", exportArgs->fastCodec, "FAST compressor (see `codecs`)")
        ->capture_default_str();
    exportCommand->callback([exportArgs, &exitCode]() { exitCode.value = RunExport(*exportArgs); });

    auto createArgs = std::make_shared<CreateArgs>();
    CLI::App* createCommand =
        db->add_subcommand("create", "Create the final AVI from a movie data base and the source movie");
    createCommand->add_option("database", createArgs->dataBase, "The movie data base (.vdb)")->required();
    createCommand->add_option("--source", createArgs->source, "Your copy of the source movie")->required();
    createCommand->add_option("--output", createArgs->output, "The final AVI to write (replaced)")
        ->required();
    createCommand->add_option("--temp", createArgs->temp,
                              "Directory for the temporary files 0.avi, 1.avi, ... (default: the source's)");
    auto* yes =
        createCommand->add_flag("--yes", createArgs->yes, "Create even when the source's size differs");
    createCommand->add_flag("--no", createArgs->no, "Do not create when the source's size differs (default)")
        ->excludes(yes);
    createCommand->callback([createArgs, &exitCode]() { exitCode.value = RunCreate(*createArgs); });
}
