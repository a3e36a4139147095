#pragma once
// An independent, test-only walk over an AVI file's RIFF structure: the
// chunks of every movi list in file order and what idx1, indx/ix## and the
// headers say about them. Used to check the writer's files structurally, next
// to what ffprobe reports.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct WalkChunk {
    uint32_t id = 0;
    uint64_t dataPos = 0;
    uint32_t size = 0;
    int part = 0; // RIFF part number
};

struct WalkIdx1Entry {
    uint32_t id = 0;
    uint32_t flags = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

struct WalkOdmlEntry {
    uint64_t dataPos = 0;
    uint32_t size = 0;
    bool key = false;
};

struct WalkStream {
    uint32_t fccType = 0;
    uint32_t dwScale = 0;
    uint32_t dwRate = 0;
    uint32_t dwLength = 0;
    uint32_t dwSampleSize = 0;
    uint32_t dwSuggestedBufferSize = 0;
    std::string name;
    bool hasIndx = false;
    std::vector<WalkOdmlEntry> odml; // from indx -> ix##
};

struct AviWalk {
    std::string error; // empty when the structure was sound
    uint32_t microSecPerFrame = 0;
    uint32_t avihFlags = 0;
    uint32_t totalFrames = 0;
    uint32_t avihStreams = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    int64_t dmlhFrames = -1; // -1: no odml list
    std::vector<uint64_t> riffSizes;
    std::vector<WalkStream> streams;
    std::vector<WalkChunk> chunks; // data chunks (not ix##) in file order
    uint64_t moviFourCC = 0;       // position of the first "movi"
    std::vector<WalkIdx1Entry> idx1;
};

AviWalk WalkAvi(const std::string& path);

// Stream number of a chunk id like "01wb"; -1 when not of that form.
int WalkStreamOf(uint32_t id);
