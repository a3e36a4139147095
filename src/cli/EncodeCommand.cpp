// flintmoor-cli encode SOURCE --low LOW.avi --fast FAST.avi [--low-codec SETTINGS]
//                      [--fast-codec SETTINGS] [--bitrate KBITS] [--priority ENTRY]
// Encodes the source into the LOW and the FAST file in one pass (decoded
// once, both compressors side by side, key frames at the same frame numbers)
// and copies the source's audio into both.

#include "app/CEncodeMovie.h"
#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/OptionTypes.h"
#include "cli/PairBitrate.h"
#include "jobs/CPriorityControl.h"
#include "platform/CCompressorRegistry.h"

#include <CLI/CLI.hpp>

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

int RunEncode(const EncodeArgs& args) {
    EncodeMovieRequest request{args.source, args.low, args.fast, {}, {}};
    // The option checks have read both setting strings once already.
    CCompressorRegistry::ParseSettings(args.lowCodec, request.lowCodec, nullptr);
    CCompressorRegistry::ParseSettings(args.fastCodec, request.fastCodec, nullptr);

    CCliJobRunner runner;
    runner.SetPriority(args.priority);
    std::string said, rateError;
    if (!ApplyPairBitrateFor(runner.GetHost(), args.source, args.bitrate, args.lowCodec, request.lowCodec,
                             args.fastCodec, request.fastCodec, &said, &rateError))
        return rateError.empty() ? 1 : UsageError("encode", rateError);
    runner.Say(said);
    CEncodeMovie encode(runner.GetWorker());
    const PrepareResult ready = encode.Prepare(request);
    if (!ready.IsReady())
        return runner.Refuse(ready, "encode");
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
    command->add_option("source", args->source, "The source movie (AVI)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("--low", args->low, "The LOW file to write (replaced when it exists)")->required();
    command->add_option("--fast", args->fast, "The FAST file to write (replaced when it exists)")->required();
    AddCodecOptions(*command, args->lowCodec, args->fastCodec);
    AddBitrateOption(*command, args->bitrate);
    command->add_option("--priority", args->priority, "Worker priority")
        ->check(PriorityCheck())
        ->capture_default_str();
    command->callback([args, &exitCode]() { exitCode.value = RunEncode(*args); });
}
