// flintmoor-cli oracle --low LOW.avi --fast FAST.avi [--source SOURCE.avi]
//                      [--oracle-file FILE] [--oracle-value V] [--comparison C]
//                      [--precision 1-6] [--limit KBYTES] --project PROJECT.ini
// Builds the encoding list with the oracle, with the defaults of the Auto
// Create command, prints it and writes it with the movies and the oracle's
// settings into the project file.

#include "app/COracleAndSave.h"
#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/OracleRun.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

namespace {
struct OracleArgs {
    std::string low;
    std::string fast;
    std::string source;
    std::string project;
    OracleOptionTexts oracle;
};

int Usage(const std::string& message) {
    std::fprintf(stderr, "flintmoor-cli oracle: %s\n", message.c_str());
    return 2;
}

int RunOracle(const OracleArgs& args) {
    OracleAndSaveRequest request;
    request.settings = OracleStartSettings::Defaults(!args.source.empty());
    request.settings.sourceFile = args.source;
    const std::string error = ApplyOracleOptions(args.oracle, request.settings);
    if (!error.empty())
        return Usage(error);
    request.low = args.low;
    request.fast = args.fast;
    request.project = args.project;

    CCliJobRunner runner;
    COracleAndSave oracle(runner.GetWorker());
    const PrepareResult ready = oracle.Prepare(request);
    if (ready.state == PrepareResult::EState::Refused)
        return Usage(ready.text);
    if (!ready.IsReady())
        return 1; // the messages have said why
    const CJobResult result = runner.RunSequence([&](CWorker&) { return oracle.Run(); });
    if (!result.IsDone()) {
        runner.Say("The oracle did not finish; no project written.");
        return CCliJobRunner::ExitStatus(result);
    }
    PrintEncodingList(stdout, oracle.GetList());
    return 0;
}
} // namespace

void RegisterOracleCommand(CLI::App& app, CliExit& exitCode) {
    auto args = std::make_shared<OracleArgs>();
    CLI::App* command = app.add_subcommand(
        "oracle", "Build the encoding list from a LOW and a FAST movie and save the project");
    command->add_option("--low", args->low, "The LOW movie (AVI)")->required();
    command->add_option("--fast", args->fast, "The FAST movie (AVI)")->required();
    command->add_option("--source", args->source, "The source movie to compare with (optional)");
    AddOracleOptions(*command, args->oracle);
    command->add_option("--project", args->project, "Project settings file to write (.ini)")->required();
    command->callback([args, &exitCode]() { exitCode.value = RunOracle(*args); });
}
