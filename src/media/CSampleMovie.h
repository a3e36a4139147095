#pragma once
// The built-in sample movie: an uncompressed 24-bit AVI (bottom-up BGR rows,
// 4-byte aligned) with 16-bit PCM audio or none, made from nothing, so that
// every part of the program can be tried and tested without a movie of one's
// own. Its scenes alternate in blocks of four seconds between a still,
// detailed picture, a slow pan over a detailed picture and fast busy motion
// (many moving objects over a changing noise texture), so the choice between
// a low-motion and a fast-motion encoding has real decisions to make. Every
// frame and sample is a pure function of its number: the same parameters
// always give the same file.

#include "platform/IAviFile.h"

#include <cstdint>
#include <string>
#include <vector>

struct SampleMovieOptions {
    int width = 320;
    int height = 240;
    uint32_t rate = 25; // frames per second = rate / scale
    uint32_t scale = 1;
    int frames = 300;
    uint32_t audioRate = 44100; // 0: no audio stream
    int audioChannels = 2;
};

class CSampleMovie {
public:
    enum class EScene { Still, Pan, Busy };

    explicit CSampleMovie(const SampleMovieOptions& options);

    // "" when the options make a movie, else what is wrong with them.
    static std::string Validate(const SampleMovieOptions& options);

    // Writes the movie (video first, then audio). False with a reason.
    bool Write(const std::string& path, std::string* error,
               const AviWriterOptions& writerOptions = AviWriterOptions()) const;

    EScene SceneAt(int frame) const;
    int SceneLength() const { return m_sceneFrames; }
    size_t FrameBytes() const {
        return static_cast<size_t>(m_stride) * static_cast<size_t>(m_options.height);
    }
    int64_t AudioSamples() const;
    // The pixels of one frame (FrameBytes() bytes).
    void RenderFrame(int frame, uint8_t* pixels) const;
    // `count` sample frames (all channels interleaved) from `first` on.
    void RenderAudio(int64_t first, int count, int16_t* out) const;

private:
    void BuildWorld();
    void RenderView(int offsetX, int offsetY, uint8_t* pixels) const;
    void RenderBusy(int frame, uint8_t* pixels) const;
    int16_t ToneSample(int64_t sample, int channel) const;
    // Each adds its stream to `file` and writes all of it: "" when done, else
    // what failed.
    std::string WriteVideo(IAviFile& file) const;
    std::string WriteAudio(IAviFile& file) const;

    SampleMovieOptions m_options;
    int m_stride = 0;
    int m_sceneFrames = 1;
    int m_worldWidth = 0;
    int m_worldHeight = 0;
    std::vector<uint8_t> m_world; // top-down BGR, tileable in both directions
};
