// flintmoor-cli assemble --project PROJECT.ini --output FINAL.avi [--low LOW.avi] [--fast FAST.avi]:
// loads a project (its movies unless given), fills the encoding list from its
// rows and writes the final AVI with the assembly job.

#include "cli/CCliJobRunner.h"
#include "cli/Commands.h"
#include "encoding/CEncodingList.h"
#include "jobs/CAssembleJob.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/COpenFileRegistry.h"
#include "settings/CIniFile.h"
#include "settings/CProjectFile.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {
struct AssembleOptions {
    std::string project;
    std::string output;
    std::string low;
    std::string fast;
};

bool SameFile(const std::string& a, const std::string& b) {
    return COpenFileRegistry::Canonical(a) == COpenFileRegistry::Canonical(b);
}

void Error(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

// Every part should start on a key frame of its movie; one that does not
// starts the output with a frame that cannot be decoded on its own.
void WarnAboutKeyFrames(CCliJobRunner& runner, const CEncodingList& list, const CAVIFile& low,
                        const CAVIFile& fast) {
    for (const EncodingPart& part : list.Rows()) {
        const CAVIFile& file = part.IsLow() ? low : fast;
        const int32_t start = part.GetStart();
        if (!file.IsKeyFrame(file.GetVideoIndex(), start))
            runner.Say("Warning: the part " + std::to_string(start) + " - " + std::to_string(part.GetEnd()) +
                       " (" + (part.IsLow() ? "LOW" : "FAST") + ") does not start on a key frame of " +
                       file.GetPath());
    }
}

// Adds every part that its movie can give; each one that is cut or left out
// is named in a warning. Returns how many were.
size_t FillList(CCliJobRunner& runner, const std::vector<ProjectPart>& parts, CEncodingList& list,
                const CAVIFile& low, const CAVIFile& fast) {
    size_t dropped = 0;
    for (const ProjectPart& part : parts) {
        const CAVIFile& file = part.fast ? fast : low;
        const int32_t length = file.GetLength();
        const std::string row = "Warning: part " + std::to_string(part.row) + " (frames " +
                                std::to_string(part.start) + " - " + std::to_string(part.end) + ", " +
                                (part.fast ? "FAST" : "LOW") + ") ";
        const int32_t end = std::min(part.end, length);
        if (part.start >= length) {
            runner.Say(row + "starts past the end of " + file.GetPath() + " (" + std::to_string(length) +
                       " frames); it is left out.");
        } else if (list.AddPart(file, part.fast ? EPartEncoding::Fast : EPartEncoding::Low, part.start, end) <
                   0) {
            runner.Say(row + "gives no frames; it is left out.");
        } else if (end < part.end) {
            runner.Say(row + "runs past the end of " + file.GetPath() + "; it is cut at frame " +
                       std::to_string(end) + ".");
        } else {
            continue;
        }
        ++dropped;
    }
    return dropped;
}

int RunAssemble(const AssembleOptions& options) {
    CIniFile settings;
    const ProjectLoadResult project = CProjectFile::Load(options.project, settings);
    if (!project.loaded) {
        Error(project.error);
        return 1;
    }
    for (const std::string& warning : project.warnings)
        Error("Warning: " + warning);
    const std::string lowPath = options.low.empty() ? project.lowFile : options.low;
    const std::string fastPath = options.fast.empty() ? project.fastFile : options.fast;
    if (lowPath.empty() || fastPath.empty()) {
        Error(std::string("The project names no ") + (lowPath.empty() ? "LOW" : "FAST") + " movie: give " +
              (lowPath.empty() ? "--low" : "--fast") + ".");
        return 2;
    }
    for (const std::string& input : {options.project, lowPath, fastPath})
        if (SameFile(options.output, input)) {
            Error("The output " + options.output + " is one of the inputs; choose another name.");
            return 2;
        }

    CCliJobRunner runner;
    CAVIFile low(runner.GetHost());
    CAVIFile fast(runner.GetHost());
    if (!low.Open(lowPath, true) || !fast.Open(fastPath, true))
        return 1;
    const CAVIStream* lowVideo = low.GetStream(low.GetVideoIndex());
    if (!lowVideo) {
        Error("The LOW movie " + lowPath + " has no video stream.");
        return 1;
    }
    CEncodingList list;
    const size_t dropped = FillList(runner, project.parts, list, low, fast);
    if (list.RowCount() == 0) {
        runner.Say("Nothing written: the project lists no part the movies can give.");
        return 1;
    }
    WarnAboutKeyFrames(runner, list, low, fast);

    CAssembleJob job(runner.GetWorker(), list, low, fast);
    job.Register();
    runner.GetWorker().SetOutput(options.output, lowVideo->GetFramesPerSecond());
    runner.RunJob(JOB_ASSEMBLE);
    // A final AVI that lacks rows of the list is written, and said to be so.
    return job.Succeeded() && runner.GetFailureCount() == 0 && dropped == 0 && project.warnings.empty() ? 0
                                                                                                        : 1;
}
} // namespace

void RegisterAssembleCommand(CLI::App& app, CliExit& exitCode) {
    auto options = std::make_shared<AssembleOptions>();
    CLI::App* command = app.add_subcommand(
        "assemble", "Write the final AVI: every part of the project's encoding list copied from its movie");
    command->add_option("--project", options->project, "Project settings file (.ini)")->required();
    command->add_option("--output", options->output, "The final AVI to write (replaced when it exists)")
        ->required();
    command->add_option("--low", options->low, "LOW movie (default: the project's)");
    command->add_option("--fast", options->fast, "FAST movie (default: the project's)");
    command->callback([options, &exitCode]() { exitCode.value = RunAssemble(*options); });
}
