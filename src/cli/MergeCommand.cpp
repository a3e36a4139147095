// flintmoor-cli merge [--no-sync] --output OUT.avi IN.avi...: joins AVI files
// one after the other, padding each file's short audio with silence unless
// --no-sync.

#include "app/CMergeFiles.h"
#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

namespace {
struct MergeOptions {
    bool noSync = false;
    std::string output;
    std::vector<std::string> inputs;
};

int RunMerge(const MergeOptions& options) {
    CCliJobRunner runner;
    CMergeFiles merge(runner.GetWorker());
    const PrepareResult ready = merge.Prepare({options.inputs, options.output, !options.noSync});
    if (ready.state == PrepareResult::EState::Refused)
        return runner.Refuse(ready, "merge");
    if (!ready.IsReady())
        return 1; // the messages have said why
    const int status = CCliJobRunner::ExitStatus(runner.RunSequence([&](CWorker&) { return merge.Run(); }));
    const size_t opened = merge.GetOpenedCount();
    if (status == 0 && opened < options.inputs.size()) {
        // Written, but not what was asked for: say so, and let the status say so.
        runner.Say("Warning: " + std::to_string(options.inputs.size() - opened) + " of " +
                   std::to_string(options.inputs.size()) + " inputs could not be opened; " + options.output +
                   " holds only the others.");
        return 1;
    }
    return status;
}
} // namespace

void RegisterMergeCommand(CLI::App& app, CliExit& exitCode) {
    auto options = std::make_shared<MergeOptions>();
    CLI::App* command =
        app.add_subcommand("merge", "Join AVI files one after the other into one AVI, copying every chunk");
    command->add_flag("--no-sync", options->noSync,
                      "Do not pad a file's audio with silence where it is shorter than its video");
    command->add_option("--output", options->output, "The AVI to write (replaced when it exists)")
        ->required();
    command->add_option("IN", options->inputs, "AVI files to join, in this order")->required();
    command->callback([options, &exitCode]() { exitCode.value = RunMerge(*options); });
}
