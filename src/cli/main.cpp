// flintmoor-cli: the command-line front end over the same core as the GUI.
// Each sub-command lives in its own file and registers itself here.

#include "FlintmoorVersion.h"
#include "cli/CInterrupts.h"
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <string>

namespace {
// "flintmoor-cli db create: --source: ...": the command named as the user
// typed it, so that the message says where the bad value was given.
std::string FailureMessage(const CLI::App* app, const CLI::Error& error) {
    std::string where = "flintmoor-cli";
    for (const CLI::App* command = app; !command->get_subcommands().empty();) {
        command = command->get_subcommands().front();
        where += " " + command->get_name();
    }
    return where + ": " + error.what() + "\nRun with --help for more information.\n";
}
} // namespace

int main(int argc, char** argv) {
    CInterrupts::Install();
    CLI::App app{"Flintmoor: mixes a low-motion and a fast-motion encoding of one movie into one AVI"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("flintmoor-cli ") + FLINTMOOR_VERSION);
    app.failure_message(FailureMessage);
    CliExit exitCode{0};
    RegisterCommands(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        // CLI11 answers --help and --version with success; every other parse
        // problem is bad usage.
        return rc == 0 ? 0 : 2;
    }
    return exitCode.value;
}
