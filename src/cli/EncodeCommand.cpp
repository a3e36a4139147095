// flintmoor-cli encode SOURCE --low LOW.avi --fast FAST.avi [--low-codec SPEC]
//                      [--fast-codec SPEC] [--priority ENTRY]
// Encodes the source into the LOW and the FAST file in one pass (decoded
// once, both compressors side by side, key frames at the same frame numbers)
// and copies the source's audio into both.

#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "jobs/CEncodeJob.h"
#include "jobs/CPriorityControl.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/CCompressorRegistry.h"
#include "platform/FileIdentity.h"

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
};

int Usage(const std::string& message) {
    std::fprintf(stderr, "flintmoor-cli encode: %s\n", message.c_str());
    return 2;
}

int RunEncode(const EncodeArgs& args) {
    if (FindSameFile(args.source, {args.low, args.fast}))
        return Usage("the LOW and FAST files must not be the source " + args.source);
    if (FindSameFile(args.low, {args.fast}))
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

    CEncodeJob job(worker);
    job.Register();
    worker.SetCodecOptions(&low, &fast);
    if (!job.PrepareEncoding(args.low, fps, true, false) || !job.PrepareEncoding(args.fast, fps, true, true))
        return 1;
    const CJobResult result = runner.RunJob(CJobRequest::Of(JobKind::JOB_ENCODE_KEEP_SOURCE));
    if (!result.IsDone())
        runner.Say("The encoding did not finish; the files written so far stay: " + args.low + ", " +
                   args.fast);
    return CCliJobRunner::ExitStatus(result);
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
    command
        ->add_option("--priority", args->priority,
                     "Worker priority: Highest, High, Normal, Low, Lowest, Idle")
        ->capture_default_str();
    command->callback([args, &exitCode]() { exitCode.value = RunEncode(*args); });
}
