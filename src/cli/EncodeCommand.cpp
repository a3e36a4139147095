// flintmoor-cli encode SOURCE --low LOW.avi --fast FAST.avi [--low-codec SPEC]
//                      [--fast-codec SPEC] [--bitrate KBITS] [--priority ENTRY]
// Encodes the source into the LOW and the FAST file in one pass (decoded
// once, both compressors side by side, key frames at the same frame numbers)
// and copies the source's audio into both.

#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/PairBitrate.h"
#include "jobs/CEncodeJob.h"
#include "jobs/CPriorityControl.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/CCompressorRegistry.h"
#include "platform/COpenFileRegistry.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

namespace {
struct EncodeArgs {
    std::string source;
    std::string low;
    std::string fast;
    std::string lowCodec = "DIV3";
    std::string fastCodec = "DIV4";
    std::string priority = CPriorityControl::INITIAL_ENTRY;
    std::string bitrate;
};

int Usage(const std::string& message) {
    std::fprintf(stderr, "flintmoor-cli encode: %s\n", message.c_str());
    return 2;
}

bool SameFile(const std::string& a, const std::string& b) {
    return COpenFileRegistry::Canonical(a) == COpenFileRegistry::Canonical(b);
}

int RunEncode(const EncodeArgs& args) {
    if (SameFile(args.low, args.source) || SameFile(args.fast, args.source))
        return Usage("the LOW and FAST files must not be the source " + args.source);
    if (SameFile(args.low, args.fast))
        return Usage("the LOW and FAST files must be two different files");
    CodecOptions low, fast;
    std::string error;
    if (!CCompressorRegistry::ParseSpec(args.lowCodec, low, &error))
        return Usage("--low-codec: " + error);
    if (!CCompressorRegistry::ParseSpec(args.fastCodec, fast, &error))
        return Usage("--fast-codec: " + error);

    CCliJobRunner runner;
    if (!runner.SetPriority(args.priority))
        return Usage("--priority: unknown entry \"" + args.priority + "\"");
    CWorker& worker = runner.GetWorker();
    if (!worker.OpenInputs("", "", args.source))
        return 1;
    CAVIFile& source = worker.GetFile(CWorker::FILE_SOURCE);
    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    if (!video) {
        std::fprintf(stderr, "The source %s has no video stream.\n", args.source.c_str());
        return 1;
    }
    const int32_t fps = video->GetFramesPerSecond();
    if (fps < 1) {
        std::fprintf(stderr, "The source %s has a frame rate below 1 per second.\n", args.source.c_str());
        return 1;
    }

    std::string said;
    const std::string rateError =
        ApplyPairBitrate(args.bitrate, *video, args.lowCodec, low, args.fastCodec, fast, &said);
    if (!rateError.empty())
        return Usage(rateError);
    runner.Say(said);

    CEncodeJob job(worker);
    job.Register();
    worker.SetCodecOptions(&low, &fast);
    if (!job.PrepareEncoding(args.low, fps, true, false) || !job.PrepareEncoding(args.fast, fps, true, true))
        return 1;
    runner.CatchInterrupts();
    runner.RunJob(JOB_ENCODE_KEEP_SOURCE);
    if (!job.Succeeded()) {
        runner.Say("The encoding did not finish; the files written so far stay: " + args.low + ", " +
                   args.fast);
        return 1;
    }
    return runner.GetFailureCount() == 0 ? 0 : 1;
}
} // namespace

void RegisterEncodeCommand(CLI::App& app, CliExit& exitCode) {
    auto args = std::make_shared<EncodeArgs>();
    CLI::App* command = app.add_subcommand(
        "encode", "Encode a source movie into the LOW and the FAST file in one pass, audio copied into both");
    command->add_option("source", args->source, "The source movie (AVI)")->required();
    command->add_option("--low", args->low, "The LOW file to write (replaced when it exists)")->required();
    command->add_option("--fast", args->fast, "The FAST file to write (replaced when it exists)")->required();
    command->add_option("--low-codec", args->lowCodec, "Compressor of the LOW file (see `codecs`)")
        ->capture_default_str();
    command->add_option("--fast-codec", args->fastCodec, "Compressor of the FAST file (see `codecs`)")
        ->capture_default_str();
    command->add_option("--bitrate", args->bitrate,
                        "kbit/s for LOW and FAST alike (default: proposed from the picture size and rate)");
    command
        ->add_option("--priority", args->priority,
                     "Worker priority: Highest, High, Normal, Low, Lowest, Idle")
        ->capture_default_str();
    command->callback([args, &exitCode]() { exitCode.value = RunEncode(*args); });
}
