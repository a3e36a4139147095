// flintmoor-cli full SOURCE.avi [--low LOW.avi] [--fast FAST.avi] [--save-creation]
//                    [--frame-size N] [--low-codec SETTINGS] [--fast-codec SETTINGS] [--bitrate KBITS]
//                    [oracle options] --project PROJECT.ini [--output FINAL.avi]
// Encodes the source into the LOW and the FAST file (whole, or in resumable
// pieces with --save-creation), builds the encoding list with the oracle,
// writes the project and, with --output, the final AVI.

#include "cli/FullCommand.h"

#include "app/CFullCreationRun.h"
#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/OptionTypes.h"
#include "cli/PairBitrate.h"
#include "creation/CFullCreation.h"
#include "creation/FullCreationNames.h"
#include "platform/CCompressorRegistry.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <limits>
#include <memory>
#include <string>

int RunFullCreation(const FullArgs& args, FullOutcome* outcome,
                    const std::function<void(const CEncodingList&)>& onList) {
    FullCreationRunRequest request;
    request.source = args.source;
    request.low = args.low;
    request.fast = args.fast;
    request.saveCreation = args.saveCreation;
    request.frameSize = args.frameSize;
    request.project = args.project;
    request.output = args.output;
    request.oracle = OracleStartSettings::Defaults(!args.noSource);
    ApplyOracleOptions(args.oracle, request.oracle);
    // As the full creation dialog proposes it: from the source's name.
    if (request.oracle.oracleFile.empty())
        request.oracle.oracleFile = FullCreationNames::OracleFile(args.source);
    // The option checks have read both setting strings once already.
    CCompressorRegistry::ParseSettings(args.lowCodec, request.lowCodec, nullptr);
    CCompressorRegistry::ParseSettings(args.fastCodec, request.fastCodec, nullptr);

    CCliJobRunner runner;
    std::string said, rateError;
    if (!ApplyPairBitrateFor(runner.GetHost(), args.source, args.bitrate, args.lowCodec, request.lowCodec,
                             args.fastCodec, request.fastCodec, &said, &rateError))
        return rateError.empty() ? 1 : UsageError("full", rateError);
    runner.Say(said);
    CFullCreationRun creation(runner.GetWorker());
    const PrepareResult ready = creation.Prepare(request);
    if (!ready.IsReady())
        return runner.Refuse(ready, "full");
    const CJobResult result = runner.RunSequence([&](CWorker&) { return creation.Run(); });
    for (const std::string& warning : creation.GetWarnings())
        runner.Say("Warning: " + warning);
    if (result.IsStopped())
        runner.Say(args.saveCreation
                       ? "Aborted; the complete pieces stay for the next run with the same source."
                       : "Aborted; the LOW and FAST files are incomplete.");
    if (outcome) {
        outcome->low = creation.GetLowFile();
        outcome->fast = creation.GetFastFile();
        const COracleAndSave::Counts counts = creation.GetOracle().GetCounts();
        outcome->lowIntervals = counts.lowIntervals;
        outcome->fastIntervals = counts.fastIntervals;
    }
    if (result.IsDone() && onList)
        onList(creation.GetOracle().GetList());
    const int status = CCliJobRunner::ExitStatus(result);
    // The list is saved, but the size asked for was not reached.
    return status == 0 && creation.GetOracle().MissedSizeTarget() ? 1 : status;
}

void RegisterFullCommand(CLI::App& app, CliExit& exitCode) {
    auto args = std::make_shared<FullArgs>();
    CLI::App* command = app.add_subcommand(
        "full",
        "Encode LOW and FAST, build the encoding list with the oracle, save the project (and assemble)");
    command->add_option("source", args->source, "The source movie (AVI)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("--low", args->low, "The LOW file (default: SOURCE without extension + _low.avi)");
    command->add_option("--fast", args->fast,
                        "The FAST file (default: SOURCE without extension + _fast.avi)");
    command->add_flag("--save-creation", args->saveCreation,
                      "Encode in pieces kept next to the source, so that an interrupted run can be resumed");
    command->add_option("--frame-size", args->frameSize, "Frames per piece with --save-creation")
        ->check(CLI::Range(CFullCreation::MIN_FRAME_SIZE, std::numeric_limits<int32_t>::max()))
        ->capture_default_str();
    AddCodecOptions(*command, args->lowCodec, args->fastCodec);
    AddBitrateOption(*command, args->bitrate);
    CLI::Option* noSource = command->add_flag(
        "--no-source", args->noSource,
        "Run the oracle on the LOW and FAST files alone, without comparing with the source");
    AddOracleOptions(*command, args->oracle, noSource, true);
    command->add_option("--project", args->project, "Project settings file to write (.ini)")->required();
    command->add_option("--output", args->output, "Also write the final AVI (replaced when it exists)");
    command->callback([args, &exitCode]() {
        exitCode.value = RunFullCreation(*args, nullptr,
                                         [](const CEncodingList& list) { PrintEncodingList(stdout, list); });
    });
}
