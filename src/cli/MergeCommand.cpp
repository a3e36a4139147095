// flintmoor-cli merge [--no-sync] --output OUT.avi IN.avi...: joins AVI files
// one after the other, padding each file's short audio with silence unless
// --no-sync.

#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "merge/CMergeJob.h"
#include "platform/FileIdentity.h"

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
    if (FindSameFile(options.output, options.inputs)) {
        std::fprintf(stderr, "The output %s is one of the inputs; choose another name.\n",
                     options.output.c_str());
        return 2;
    }

    CCliJobRunner runner;
    CWorker& worker = runner.GetWorker();
    CMergeJob job(worker);
    job.Register();
    worker.ClearMergeInputs();
    size_t opened = 0;
    for (const std::string& input : options.inputs)
        opened += worker.AddMergeInput(input, true) ? 1 : 0;
    // Nothing to take the formats from: leave the output alone.
    if (opened == 0)
        return 1;
    if (!job.PrepareMerge(options.output, nullptr, false, false))
        return 1;
    CJobRequest request = CJobRequest::Of(JobKind::JOB_MERGE);
    request.bTrySynchronization = !options.noSync;
    const int status = CCliJobRunner::ExitStatus(runner.RunJob(request));
    // An input that did not open was left out after its message: the output
    // is not what was asked for.
    return status == 0 && opened < options.inputs.size() ? 1 : status;
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
