// flintmoor-cli codecs: the compressors we offer, their presets and the
// settings a compressor setting string (--low-codec, --fast-codec) can change.

#include "cli/Commands.h"
#include "platform/CCompressorRegistry.h"

#include <CLI/CLI.hpp>

#include <cstdio>

namespace {
int RunCodecs() {
    std::printf("%-6s %-44s %s\n", "FourCC", "Compressor", "Preset (setting string)");
    for (const CompressorInfo& info : CCompressorRegistry::Compressors()) {
        const CodecOptions options = CCompressorRegistry::MakeOptions(info, info.defaults);
        std::printf("%-6s %-44s %s\n", FourCCToString(info.fourcc).c_str(), info.name.c_str(),
                    CCompressorRegistry::SettingsText(options).c_str());
    }
    std::printf("\n%s", CCompressorRegistry::SettingKeysHelp().c_str());
    std::printf("\nExample: --low-codec DIV3 --fast-codec DIV4:bitrate=1200,keyint=250\n");
    return 0;
}
} // namespace

void RegisterCodecsCommand(CLI::App& app, CliExit& exitCode) {
    CLI::App* command =
        app.add_subcommand("codecs", "List the compressors and the settings a setting string can give");
    command->callback([&exitCode]() { exitCode.value = RunCodecs(); });
}
