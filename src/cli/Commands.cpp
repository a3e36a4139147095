#include "cli/Commands.h"

#include <CLI/CLI.hpp>

void RegisterCommands(CLI::App& app, CliExit& exitCode) {
    RegisterInfoCommand(app, exitCode);
    RegisterSampleCommand(app, exitCode);
    RegisterAssembleCommand(app, exitCode);
    RegisterMergeCommand(app, exitCode);
    RegisterDbCommand(app, exitCode);
    RegisterEncodeCommand(app, exitCode);
    RegisterCodecsCommand(app, exitCode);
    RegisterOracleCommand(app, exitCode);
    RegisterFullCommand(app, exitCode);
    RegisterDemoCommand(app, exitCode);
    RegisterCompareCommand(app, exitCode);
}
