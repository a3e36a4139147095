// flintmoor-cli db export --project PROJECT.ini --source SOURCE.avi --output MOVIE.vdb
//                         [--low-codec SETTINGS] [--fast-codec SETTINGS]
// flintmoor-cli db create MOVIE.vdb --source SOURCE.avi --output FINAL.avi [--temp DIR] [--yes|--no]
// Export writes a movie data base from a project's encoding list; create
// rebuilds the movie from a data base and one's own copy of the source.

#include "app/DataBaseUseCases.h"
#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/OptionTypes.h"
#include "platform/CCompressorRegistry.h"

#include <CLI/CLI.hpp>

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

int RunExport(const ExportArgs& args) {
    ExportDataBaseRequest request{args.project, args.source, args.output, {}, {}};
    // The option checks have read both setting strings once already.
    CCompressorRegistry::ParseSettings(args.lowCodec, request.low, nullptr);
    CCompressorRegistry::ParseSettings(args.fastCodec, request.fast, nullptr);
    CCliJobRunner runner;
    std::vector<std::string> warnings;
    std::string status;
    const PrepareResult exported = ExportDataBase(runner.GetHost(), request, warnings, status);
    if (exported.state == PrepareResult::EState::Refused)
        return runner.Refuse(exported, "db export");
    for (const std::string& warning : warnings)
        runner.Say("Warning: " + warning);
    runner.Say(exported.IsReady() ? status : exported.text);
    return exported.IsReady() ? 0 : 1;
}

int RunCreate(const CreateArgs& args) {
    CCliJobRunner runner;
    CTerminalHost& host = runner.GetHost();
    host.SetAnswerPolicy(args.yes  ? CTerminalHost::EAnswerPolicy::Yes
                         : args.no ? CTerminalHost::EAnswerPolicy::No
                                   : CTerminalHost::EAnswerPolicy::Safe);
    CDataBaseCreate creation(runner.GetWorker());
    std::string status;
    const PrepareResult ready =
        creation.Prepare({args.dataBase, args.source, args.output, args.temp}, status);
    if (ready.state == PrepareResult::EState::Refused)
        return runner.Refuse(ready, "db create");
    if (!status.empty())
        runner.Say(status);
    CJobResult result = CJobResult::Failed(ready.text);
    if (ready.IsReady())
        result = runner.RunSequence([&](CWorker&) { return creation.Run(); });
    else if (!creation.NothingToCreate() && ready.text != status)
        runner.Say(ready.text);
    if (creation.NothingToCreate()) {
        runner.Say("Nothing created: the data base lists no interval, or the temporary file " +
                   creation.FirstTempFile() + " cannot be created.");
        return 1;
    }
    if (result.IsStopped())
        runner.Say("Aborted; the files written so far stay.");
    const int exitStatus = CCliJobRunner::ExitStatus(result);
    // A final AVI that lacks intervals is written, and said to be so.
    return exitStatus == 0 && !creation.IsWhole() ? 1 : exitStatus;
}
} // namespace

void RegisterDbCommand(CLI::App& app, CliExit& exitCode) {
    CLI::App* db = app.add_subcommand("db", "Movie data bases: export one, or create a movie from one");
    db->require_subcommand(1);

    auto exportArgs = std::make_shared<ExportArgs>();
    CLI::App* exportCommand = db->add_subcommand(
        "export", "Write a movie data base from a project's encoding list and a source movie");
    exportCommand->add_option("--project", exportArgs->project, "Project settings file (.ini)")
        ->required()
        ->check(CLI::ExistingFile);
    exportCommand->add_option("--source", exportArgs->source, "The source movie the list was made from")
        ->required()
        ->check(CLI::ExistingFile);
    exportCommand->add_option("--output", exportArgs->output, "The data base to write (.vdb, replaced)")
        ->required();
    AddCodecOptions(*exportCommand, exportArgs->lowCodec, exportArgs->fastCodec);
    exportCommand->callback([exportArgs, &exitCode]() { exitCode.value = RunExport(*exportArgs); });

    auto createArgs = std::make_shared<CreateArgs>();
    CLI::App* createCommand =
        db->add_subcommand("create", "Create the final AVI from a movie data base and the source movie");
    createCommand->add_option("database", createArgs->dataBase, "The movie data base (.vdb)")
        ->required()
        ->check(CLI::ExistingFile);
    createCommand->add_option("--source", createArgs->source, "Your copy of the source movie")
        ->required()
        ->check(CLI::ExistingFile);
    createCommand->add_option("--output", createArgs->output, "The final AVI to write (replaced)")
        ->required();
    createCommand
        ->add_option(
            "--temp", createArgs->temp,
            "Directory in which a folder for the temporary files 0.avi, 1.avi, ... is made for the run "
            "(default: the source's)")
        ->check(CLI::ExistingDirectory);
    auto* yes =
        createCommand->add_flag("--yes", createArgs->yes, "Create even when the source's size differs");
    createCommand->add_flag("--no", createArgs->no, "Do not create when the source's size differs (default)")
        ->excludes(yes);
    createCommand->callback([createArgs, &exitCode]() { exitCode.value = RunCreate(*createArgs); });
}
