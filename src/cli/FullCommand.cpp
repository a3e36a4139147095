// flintmoor-cli full SOURCE.avi [--low LOW.avi] [--fast FAST.avi] [--save-creation]
//                    [--frame-size N] [--low-codec SPEC] [--fast-codec SPEC] [--bitrate KBITS]
//                    [oracle options] --project PROJECT.ini [--output FINAL.avi]
// Encodes the source into the LOW and the FAST file (whole, or in resumable
// pieces with --save-creation), builds the encoding list with the oracle,
// writes the project and, with --output, the final AVI.

#include "cli/FullCommand.h"

#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/PairBitrate.h"
#include "creation/CFullCreation.h"
#include "creation/FullCreationNames.h"
#include "encoding/CEncodingList.h"
#include "jobs/CAssembleJob.h"
#include "jobs/JobKind.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/CCompressorRegistry.h"
#include "platform/COpenFileRegistry.h"
#include "settings/CIniFile.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {
int Usage(const std::string& message) {
    std::fprintf(stderr, "flintmoor-cli full: %s\n", message.c_str());
    return 2;
}

bool SameFile(const std::string& a, const std::string& b) {
    return !a.empty() && !b.empty() && COpenFileRegistry::Canonical(a) == COpenFileRegistry::Canonical(b);
}

// Every file the run writes must differ from the source and from each other.
std::string CheckNames(const FullArgs& args, const std::string& low, const std::string& fast,
                       const std::string& oracleFile) {
    const std::vector<std::pair<std::string, std::string>> written = {{"the LOW file", low},
                                                                      {"the FAST file", fast},
                                                                      {"the oracle file", oracleFile},
                                                                      {"the project file", args.project},
                                                                      {"the output", args.output}};
    for (size_t i = 0; i < written.size(); ++i) {
        if (SameFile(written[i].second, args.source))
            return written[i].first + " must not be the source " + args.source;
        for (size_t j = i + 1; j < written.size(); ++j)
            if (SameFile(written[i].second, written[j].second))
                return written[i].first + " and " + written[j].first + " must be two different files";
    }
    return "";
}

int Assemble(CCliJobRunner& runner, CEncodingList& list, const std::string& lowPath,
             const std::string& fastPath, const std::string& output) {
    CAVIFile low(runner.GetHost());
    CAVIFile fast(runner.GetHost());
    if (!low.Open(lowPath, true) || !fast.Open(fastPath, true))
        return 1;
    const CAVIStream* video = low.GetStream(low.GetVideoIndex());
    if (!video)
        return 1;
    CAssembleJob job(runner.GetWorker(), list, low, fast);
    job.Register();
    if (!runner.GetWorker().SetOutput(output, video->GetFramesPerSecond()))
        return 1;
    runner.RunJob(JOB_ASSEMBLE);
    runner.GetWorker().SetJobWork(JOB_ASSEMBLE, nullptr);
    return job.Succeeded() && runner.GetFailureCount() == 0 ? 0 : 1;
}
} // namespace

int RunFullCreation(const FullArgs& args, CEncodingList& list, FullOutcome* outcome) {
    FullCreationRequest request;
    request.inputFile = args.source;
    request.lowFile = args.low.empty() ? FullCreationNames::LowFile(args.source) : args.low;
    request.fastFile = args.fast.empty() ? FullCreationNames::FastFile(args.source) : args.fast;
    request.saveCreation = args.saveCreation;
    // As the dialog does: a smaller piece size becomes the smallest one.
    request.frameSize = std::max(args.frameSize, CFullCreation::MIN_FRAME_SIZE);

    OracleStartSettings settings = OracleStartSettings::Defaults(true);
    const std::string error = ApplyOracleOptions(args.oracle, settings);
    if (!error.empty())
        return Usage(error);
    CIniFile store;
    store.SetString("Movie Settings", "Original-File", args.source);
    COracleStart::Prepare(settings, request.lowFile, store);
    const std::string nameError = CheckNames(args, request.lowFile, request.fastFile, settings.oracleFile);
    if (!nameError.empty())
        return Usage(nameError);
    CodecOptions low, fast;
    std::string codecError;
    if (!CCompressorRegistry::ParseSpec(args.lowCodec, low, &codecError))
        return Usage("--low-codec: " + codecError);
    if (!CCompressorRegistry::ParseSpec(args.fastCodec, fast, &codecError))
        return Usage("--fast-codec: " + codecError);

    CCliJobRunner runner;
    {
        CAVIFile probe(runner.GetHost());
        const CAVIStream* video =
            probe.Open(args.source, true) ? probe.GetStream(probe.GetVideoIndex()) : nullptr;
        if (!video)
            return 1;
        std::string said;
        const std::string rateError =
            ApplyPairBitrate(args.bitrate, *video, args.lowCodec, low, args.fastCodec, fast, &said);
        if (!rateError.empty())
            return Usage(rateError);
        runner.Say(said);
    }
    runner.CatchInterrupts();
    CFullCreation creation(runner.GetWorker(), runner.GetWaitBox());
    creation.SetAbortCheck([&runner] {
        if (!CCliJobRunner::WasInterrupted())
            return false;
        runner.Say("Interrupted: stopping after the current frame ...");
        return true;
    });
    switch (creation.Create(request, low, fast)) {
    case CFullCreation::RESULT_CREATED:
        break;
    case CFullCreation::RESULT_ABORTED:
        runner.Say(args.saveCreation
                       ? "Aborted; the complete pieces stay for the next run with the same source."
                       : "Aborted; the LOW and FAST files are incomplete.");
        return 1;
    case CFullCreation::RESULT_FAILED:
        return 1;
    }
    if (outcome) {
        outcome->low = request.lowFile;
        outcome->fast = request.fastFile;
    }
    const int status = RunOracleAndSave(runner, settings, request.lowFile, request.fastFile, store,
                                        args.project, list, outcome ? &outcome->counts : nullptr);
    if (status != 0 || args.output.empty())
        return status;
    return Assemble(runner, list, request.lowFile, request.fastFile, args.output);
}

void RegisterFullCommand(CLI::App& app, CliExit& exitCode) {
    auto args = std::make_shared<FullArgs>();
    CLI::App* command = app.add_subcommand(
        "full",
        "Encode LOW and FAST, build the encoding list with the oracle, save the project (and assemble)");
    command->add_option("source", args->source, "The source movie (AVI)")->required();
    command->add_option("--low", args->low, "The LOW file (default: SOURCE without extension + _low.avi)");
    command->add_option("--fast", args->fast,
                        "The FAST file (default: SOURCE without extension + _fast.avi)");
    command->add_flag("--save-creation", args->saveCreation,
                      "Encode in pieces kept next to the source, so that an interrupted run can be resumed");
    command
        ->add_option("--frame-size", args->frameSize, "Frames per piece with --save-creation (at least 200)")
        ->capture_default_str();
    command->add_option("--low-codec", args->lowCodec, "Compressor of the LOW file (see `codecs`)")
        ->capture_default_str();
    command->add_option("--fast-codec", args->fastCodec, "Compressor of the FAST file (see `codecs`)")
        ->capture_default_str();
    command->add_option("--bitrate", args->bitrate,
                        "kbit/s for LOW and FAST alike (default: proposed from the picture size and rate)");
    AddOracleOptions(*command, args->oracle);
    command->add_option("--project", args->project, "Project settings file to write (.ini)")->required();
    command->add_option("--output", args->output, "Also write the final AVI (replaced when it exists)");
    command->callback([args, &exitCode]() {
        CEncodingList list;
        exitCode.value = RunFullCreation(*args, list, nullptr);
        if (exitCode.value == 0)
            PrintEncodingList(stdout, list);
    });
}
