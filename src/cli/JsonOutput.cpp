#include "cli/JsonOutput.h"

#include "creation/MovieQuality.h"

#include <cmath>
#include <cstdio>

namespace {
bool IsUtf8(const std::string& text) {
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

Json Decibels(double psnr) {
    return std::isfinite(psnr) ? Json(psnr) : Json(nullptr);
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}
} // namespace

void PutFileName(Json& object, const std::string& key, const std::string& name) {
    object[key] = name;
    if (!IsUtf8(name))
        object[key + "_hex"] = Hex(name);
}

void PrintJson(const Json& value) {
    const std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

Json MovieQualityJson(const MovieQuality& quality) {
    return {
        {"video_bytes", quality.videoBytes},
        {"frames", quality.frames},
        {"psnr", Decibels(quality.psnr)},
        {"ssim", quality.ssim},
        {"worst_interval",
         {{"start", quality.worstStart}, {"end", quality.worstEnd}, {"psnr", Decibels(quality.worstPsnr)}}}};
}
