// flintmoor-cli oracle --low LOW.avi --fast FAST.avi [--source SOURCE.avi]
//                      [--oracle-file FILE] [--oracle-value V] [--comparison C]
//                      [--precision 1-6] [--limit KBYTES] --project PROJECT.ini
// Builds the encoding list with the oracle, with the defaults of the Auto
// Create command, prints it and writes it with the movies and the oracle's
// settings into the project file.

#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "cli/OracleRun.h"
#include "encoding/CEncodingList.h"
#include "platform/FileIdentity.h"
#include "settings/CIniFile.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

namespace {
struct OracleArgs {
    std::string low;
    std::string fast;
    std::string source;
    std::string project;
    OracleOptionTexts oracle;
};

int Usage(const std::string& message) {
    std::fprintf(stderr, "flintmoor-cli oracle: %s\n", message.c_str());
    return 2;
}

int RunOracle(const OracleArgs& args) {
    const bool useSource = !args.source.empty();
    OracleStartSettings settings = OracleStartSettings::Defaults(useSource);
    settings.sourceFile = args.source;
    const std::string error = ApplyOracleOptions(args.oracle, settings);
    if (!error.empty())
        return Usage(error);
    CIniFile store;
    COracleStart::Prepare(settings, args.low, store);
    // The oracle file and the project are written: neither may be a movie.
    for (const std::string& movie : {args.low, args.fast, args.source}) {
        if (movie.empty())
            continue;
        if (IsSameFile(settings.oracleFile, movie))
            return Usage("the oracle file must not be the movie " + movie);
        if (IsSameFile(args.project, movie))
            return Usage("the project file must not be the movie " + movie);
    }
    if (IsSameFile(settings.oracleFile, args.project))
        return Usage("the oracle file and the project file must be two different files");

    CCliJobRunner runner;
    CEncodingList list;
    const int status =
        RunOracleAndSave(runner, settings, args.low, args.fast, store, args.project, list, nullptr);
    if (status == 0)
        PrintEncodingList(stdout, list);
    return status;
}
} // namespace

void RegisterOracleCommand(CLI::App& app, CliExit& exitCode) {
    auto args = std::make_shared<OracleArgs>();
    CLI::App* command = app.add_subcommand(
        "oracle", "Build the encoding list from a LOW and a FAST movie and save the project");
    command->add_option("--low", args->low, "The LOW movie (AVI)")->required();
    command->add_option("--fast", args->fast, "The FAST movie (AVI)")->required();
    command->add_option("--source", args->source, "The source movie to compare with (optional)");
    AddOracleOptions(*command, args->oracle);
    command->add_option("--project", args->project, "Project settings file to write (.ini)")->required();
    command->callback([args, &exitCode]() { exitCode.value = RunOracle(*args); });
}
