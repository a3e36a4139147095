// flintmoor-cli: the command-line front end over the same core as the GUI.
// Each sub-command lives in its own file and registers itself here.

#include "cli/CInterrupts.h"
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
    CInterrupts::Install();
    CLI::App app{"Flintmoor: mixes a low-motion and a fast-motion encoding of one movie into one AVI"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "flintmoor-cli 0.1.0");
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
