// flintmoor-cli assemble --project PROJECT.ini --output FINAL.avi [--low LOW.avi] [--fast FAST.avi]:
// loads a project (its movies unless given), fills the encoding list from its
// rows and writes the final AVI with the assembly job.

#include "app/CProjectAssembly.h"
#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

namespace {
int RunAssemble(const AssembleProjectRequest& request) {
    CCliJobRunner runner;
    CProjectAssembly assembly(runner.GetWorker());
    const PrepareResult ready = assembly.Prepare(request);
    for (const std::string& warning : assembly.GetWarnings())
        runner.Say("Warning: " + warning);
    if (!ready.IsReady())
        return runner.Refuse(ready, "assemble");
    const int status =
        CCliJobRunner::ExitStatus(runner.RunSequence([&](CWorker&) { return assembly.Run(); }));
    // A final AVI that lacks rows of the list is written, and said to be so.
    return status == 0 && !assembly.IsWhole() ? 1 : status;
}
} // namespace

void RegisterAssembleCommand(CLI::App& app, CliExit& exitCode) {
    auto options = std::make_shared<AssembleProjectRequest>();
    CLI::App* command = app.add_subcommand(
        "assemble", "Write the final AVI: every part of the project's encoding list copied from its movie");
    command->add_option("--project", options->project, "Project settings file (.ini)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("--output", options->output, "The final AVI to write (replaced when it exists)")
        ->required();
    command->add_option("--low", options->low, "LOW movie (default: the project's)")
        ->check(CLI::ExistingFile);
    command->add_option("--fast", options->fast, "FAST movie (default: the project's)")
        ->check(CLI::ExistingFile);
    command->callback([options, &exitCode]() { exitCode.value = RunAssemble(*options); });
}
