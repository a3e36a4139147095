// flintmoor-cli merge [--no-sync] --output OUT.avi IN.avi...: joins AVI files
// one after the other, padding each file's short audio with silence unless
// --no-sync.

#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "merge/CMergeJob.h"
#include "platform/COpenFileRegistry.h"

#include <CLI/CLI.hpp>

#include <cstdio>
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
    const std::string output = COpenFileRegistry::Canonical(options.output);
    for (const std::string& input : options.inputs)
        if (COpenFileRegistry::Canonical(input) == output) {
            std::fprintf(stderr, "The output %s is one of the inputs; choose another name.\n",
                         options.output.c_str());
            return 2;
        }

    CCliJobRunner runner;
    CWorker& worker = runner.GetWorker();
    CMergeJob job(worker);
    job.Register();
    worker.ClearMergeInputs();
    worker.SetTrySynchronization(!options.noSync);
    worker.SetPieceMode(false);
    worker.SetExcludedMergeName("");
    size_t opened = 0;
    for (const std::string& input : options.inputs)
        opened += worker.AddMergeInput(input, true) ? 1 : 0;
    // Nothing to take the formats from: leave the output alone.
    if (opened == 0)
        return 1;
    if (!job.PrepareMerge(options.output, nullptr, false, false))
        return 1;
    runner.RunJob(JOB_MERGE);
    if (job.Succeeded() && opened < options.inputs.size()) {
        // Written, but not what was asked for: say so, and let the status say so.
        runner.Say("Warning: " + std::to_string(options.inputs.size() - opened) + " of " +
                   std::to_string(options.inputs.size()) + " inputs could not be opened; " + options.output +
                   " holds only the others.");
        return 1;
    }
    return job.Succeeded() && runner.GetFailureCount() == 0 ? 0 : 1;
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
