#pragma once
// Registration of the sub-commands. Each command stores its exit status in
// CliExit: 0 when the job did what was asked, 1 on failure, 2 on bad usage.

#include <string>

namespace CLI {
class App;
}

struct CliExit {
    int value = 0;
};

// Bad usage found once the options have been read (a value that only its
// combination with others makes wrong): "flintmoor-cli COMMAND: MESSAGE" on
// stderr, and the status 2.
int UsageError(const std::string& command, const std::string& message);

void RegisterCommands(CLI::App& app, CliExit& exitCode);
void RegisterInfoCommand(CLI::App& app, CliExit& exitCode);
void RegisterSampleCommand(CLI::App& app, CliExit& exitCode);
void RegisterAssembleCommand(CLI::App& app, CliExit& exitCode);
void RegisterMergeCommand(CLI::App& app, CliExit& exitCode);
void RegisterDbCommand(CLI::App& app, CliExit& exitCode);
void RegisterEncodeCommand(CLI::App& app, CliExit& exitCode);
void RegisterCodecsCommand(CLI::App& app, CliExit& exitCode);
void RegisterOracleCommand(CLI::App& app, CliExit& exitCode);
void RegisterFullCommand(CLI::App& app, CliExit& exitCode);
void RegisterDemoCommand(CLI::App& app, CliExit& exitCode);
void RegisterCompareCommand(CLI::App& app, CliExit& exitCode);
