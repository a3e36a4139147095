#pragma once
// What a row of the encoding list says about a part of one movie file: its
// times on the video stream and its compressed video and audio bytes.

#include <cstdint>

class CAVIFile;

struct PartMeasure {
    int32_t movieLength = 0; // frames of the file
    int32_t startMs = 0;
    int32_t endMs = 0;
    int64_t videoBytes = 0; // frames start .. end-1 of the video stream
    int64_t audioBytes = 0; // the audio that plays meanwhile; 0 without audio
};

// False when the file is not open or has no video stream.
bool MeasurePart(const CAVIFile& file, int32_t start, int32_t end, PartMeasure& measure);
