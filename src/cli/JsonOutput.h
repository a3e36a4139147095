#pragma once
// The command line's machine-readable output (--json), written with
// nlohmann::json. Members keep the order in which they are set, the order
// the README lists them in.

#include <nlohmann/json.hpp>

#include <string>

struct MovieQuality;

using Json = nlohmann::ordered_json;

// Sets object[key] to a file name. A name on Linux is bytes and need not be
// UTF-8: such a name is written with U+FFFD in place of the bytes that are
// not, and its raw bytes follow in hexadecimal in the member key + "_hex",
// from which a reader gets the very file back.
void PutFileName(Json& object, const std::string& key, const std::string& name);

// `value` on stdout, indented, with a line end. Any other text that is not
// valid UTF-8 (a message that quotes a file name) gets U+FFFD in place of
// its bad bytes, so that the output is always valid JSON.
void PrintJson(const Json& value);

// Video bytes, frames, PSNR (null for identical pictures: JSON has no
// infinity), SSIM and the worst key-frame interval.
Json MovieQualityJson(const MovieQuality& quality);
