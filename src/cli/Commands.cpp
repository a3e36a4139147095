#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <cstdio>

int UsageError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "flintmoor-cli %s: %s\n", command.c_str(), message.c_str());
    return 2;
}

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
