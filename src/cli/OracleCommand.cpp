// flintmoor-cli oracle --low LOW.avi --fast FAST.avi [--source SOURCE.avi]
//                      [oracle options] --project PROJECT.ini [--json]
// Builds the encoding list with the oracle, with the defaults of the Auto
// Create command, prints it and writes it with the movies and the oracle's
// settings into the project file.

#include "app/COracleAndSave.h"
#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"
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
    OracleOptionValues oracle;
    bool json = false;
};

void PrintJsonResult(const OracleArgs& args, const COracleAndSave& oracle) {
    Json result = Json::object();
    PutFileName(result, "low", args.low);
    PutFileName(result, "fast", args.fast);
    if (!args.source.empty())
        PutFileName(result, "source", args.source);
    PutFileName(result, "oracle_file", oracle.GetSettings().oracleFile);
    PutFileName(result, "project", args.project);
    const COracleAndSave::Counts counts = oracle.GetCounts();
    result["low_intervals"] = counts.lowIntervals;
    result["fast_intervals"] = counts.fastIntervals;
    result["missed_size_target"] = oracle.MissedSizeTarget();
    result.update(EncodingListJson(oracle.GetList()));
    PrintJson(result);
}

int RunOracle(const OracleArgs& args) {
    OracleAndSaveRequest request;
    request.settings = OracleStartSettings::Defaults(!args.source.empty());
    request.settings.sourceFile = args.source;
    ApplyOracleOptions(args.oracle, request.settings);
    request.low = args.low;
    request.fast = args.fast;
    request.project = args.project;

    CCliJobRunner runner;
    COracleAndSave oracle(runner.GetWorker());
    const PrepareResult ready = oracle.Prepare(request);
    if (!ready.IsReady())
        return runner.Refuse(ready, "oracle");
    const CJobResult result = runner.RunSequence([&](CWorker&) { return oracle.Run(); });
    if (!result.IsDone()) {
        runner.Say("The oracle did not finish; no project written.");
        return CCliJobRunner::ExitStatus(result);
    }
    if (args.json)
        PrintJsonResult(args, oracle);
    else
        PrintEncodingList(stdout, oracle.GetList());
    // The list is saved, but the size asked for was not reached.
    return oracle.MissedSizeTarget() ? 1 : 0;
}
} // namespace

void RegisterOracleCommand(CLI::App& app, CliExit& exitCode) {
    auto args = std::make_shared<OracleArgs>();
    CLI::App* command = app.add_subcommand(
        "oracle", "Build the encoding list from a LOW and a FAST movie and save the project");
    command->add_option("--low", args->low, "The LOW movie (AVI)")->required()->check(CLI::ExistingFile);
    command->add_option("--fast", args->fast, "The FAST movie (AVI)")->required()->check(CLI::ExistingFile);
    CLI::Option* source = command->add_option("--source", args->source, "The source movie to compare with")
                              ->check(CLI::ExistingFile);
    AddOracleOptions(*command, args->oracle, source, false);
    command->add_option("--project", args->project, "Project settings file to write (.ini)")->required();
    command->add_flag("--json", args->json,
                      "The result as one JSON object on stdout instead of the table (see the README)");
    command->callback([args, &exitCode]() { exitCode.value = RunOracle(*args); });
}
