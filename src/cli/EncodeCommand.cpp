// flintmoor-cli encode SOURCE --low LOW.avi --fast FAST.avi [--low-codec SETTINGS]
//                      [--fast-codec SETTINGS] [--bitrate KBITS] [--priority ENTRY]
// Encodes the source into the LOW and the FAST file in one pass (decoded
// once, both compressors side by side, key frames at the same frame numbers)
// and copies the source's audio into both.

#include "app/CEncodeMovie.h"
#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/PairBitrate.h"
#include "jobs/CPriorityControl.h"
#include "platform/CCompressorRegistry.h"

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

int RunEncode(const EncodeArgs& args) {
    EncodeMovieRequest request{args.source, args.low, args.fast, {}, {}};
    std::string error;
    if (!CCompressorRegistry::ParseSettings(args.lowCodec, request.lowCodec, &error))
        return Usage("--low-codec: " + error);
    if (!CCompressorRegistry::ParseSettings(args.fastCodec, request.fastCodec, &error))
        return Usage("--fast-codec: " + error);

    CCliJobRunner runner;
    if (!runner.SetPriority(args.priority))
        return Usage("--priority: unknown entry \"" + args.priority + "\"");
    std::string said, rateError;
    if (!ApplyPairBitrateFor(runner.GetHost(), args.source, args.bitrate, args.lowCodec, request.lowCodec,
                             args.fastCodec, request.fastCodec, &said, &rateError))
        return rateError.empty() ? 1 : Usage(rateError);
    runner.Say(said);
    CEncodeMovie encode(runner.GetWorker());
    const PrepareResult ready = encode.Prepare(request);
    if (ready.state == PrepareResult::EState::Refused)
        return Usage(ready.text);
    if (!ready.IsReady())
        return runner.Refuse(ready);
    const CJobResult result = runner.RunSequence([&](CWorker&) { return encode.Run(); });
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
    command->add_option("--bitrate", args->bitrate,
                        "kbit/s for LOW and FAST alike (default: proposed from the picture size and rate)");
    command
        ->add_option("--priority", args->priority,
                     "Worker priority: Highest, High, Normal, Low, Lowest, Idle")
        ->capture_default_str();
    command->callback([args, &exitCode]() { exitCode.value = RunEncode(*args); });
}
