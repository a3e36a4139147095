#include "CodecTestMovie.h"

#include "platform/CAviCompressedStream.h"
#include "platform/DibLayout.h"
#include "support/Ffprobe.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

std::vector<uint8_t> TestDibFormat(int width, int height, int bitCount) {
    BitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = static_cast<uint16_t>(bitCount);
    h.biSizeImage = static_cast<uint32_t>(DibImageBytes(h));
    std::vector<uint8_t> format(kBitmapInfoHeaderSize);
    if (bitCount == 8) {
        h.biClrUsed = 256;
        for (int i = 0; i < 256; ++i) {
            // A palette that is not grey, so colour handling shows.
            format.push_back(static_cast<uint8_t>(i));
            format.push_back(static_cast<uint8_t>(255 - i));
            format.push_back(static_cast<uint8_t>((i * 7) & 0xFF));
            format.push_back(0);
        }
    }
    WriteBitmapInfoHeader(h, format.data());
    return format;
}

std::vector<uint8_t> TestDibPixels(int width, int height, int bitCount, int frame) {
    const int64_t stride = DibStride(width, bitCount);
    std::vector<uint8_t> pixels(static_cast<size_t>(stride * height), 0);
    const int boxX = (frame * 3) % std::max(1, width - 16);
    const int boxY = (frame * 2) % std::max(1, height - 12);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels.data() + (height - 1 - y) * stride; // bottom-up
        for (int x = 0; x < width; ++x) {
            int r = (x * 4 + frame * 2) & 0xFF;
            int g = (y * 5 + x) & 0xFF;
            int b = static_cast<int>(128 + 100 * std::sin((x + y + frame) * 0.2));
            if (x >= boxX && x < boxX + 16 && y >= boxY && y < boxY + 12) {
                r = 250;
                g = 40;
                b = 30;
            }
            switch (bitCount) {
            case 8:
                row[x] = static_cast<uint8_t>((r + g) / 2);
                break;
            case 16: {
                const uint16_t v = static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
                row[x * 2] = static_cast<uint8_t>(v);
                row[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
                break;
            }
            default: {
                const int bytes = bitCount / 8;
                row[x * bytes] = static_cast<uint8_t>(b);
                row[x * bytes + 1] = static_cast<uint8_t>(g);
                row[x * bytes + 2] = static_cast<uint8_t>(r);
                break;
            }
            }
        }
    }
    return pixels;
}

std::string EncodeTestMovie(CMemoryAviStream& stream, const CodecOptions& options, int width, int height,
                            int frames, const std::vector<int>& keyRequests) {
    std::string error;
    auto compressed = CAviCompressedStream::Create(&stream, options, &error);
    if (!compressed)
        return error;
    const std::vector<uint8_t> format = TestDibFormat(width, height, 24);
    if (compressed->SetFormat(format.data(), format.size()) != AVIERR_OK)
        return compressed->LastError();
    for (int i = 0; i < frames; ++i) {
        const std::vector<uint8_t> pixels = TestDibPixels(width, height, 24, i);
        const bool key = std::find(keyRequests.begin(), keyRequests.end(), i) != keyRequests.end();
        if (compressed->Write(i, 1, pixels.data(), static_cast<int32_t>(pixels.size()),
                              key ? AVIIF_KEYFRAME : 0, nullptr, nullptr) != AVIERR_OK)
            return compressed->LastError();
    }
    return compressed->Finish() ? "" : compressed->LastError();
}

std::string WriteStreamToAvi(CMemoryAviStream& stream, const std::string& path) {
    std::string error;
    auto file = AviCreate(path, AviWriterOptions(), &error);
    if (!file)
        return error;
    AviStreamInfo info = stream.Info();
    info.dwLength = 0;
    IAviStream* out = file->CreateStream(info);
    if (!out)
        return "CreateStream failed";
    if (out->SetFormat(stream.Format().data(), stream.Format().size()) != AVIERR_OK)
        return "SetFormat failed";
    const auto& chunks = stream.Chunks();
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (out->Write(static_cast<int32_t>(i), 1, chunks[i].data.data(),
                       static_cast<int32_t>(chunks[i].data.size()), chunks[i].key ? AVIIF_KEYFRAME : 0,
                       nullptr, nullptr) != AVIERR_OK)
            return "Write failed";
    }
    return file->Close(&error) ? "" : error;
}

std::string ReadAviIntoStream(const std::string& path, CMemoryAviStream& stream) {
    std::string error;
    auto file = AviOpenRead(path, &error);
    if (!file)
        return error;
    for (int s = 0; s < file->StreamCount(); ++s) {
        IAviStream* in = file->GetStream(s);
        if (!in || in->Info().fccType != streamtypeVIDEO)
            continue;
        stream.SetFormat(in->Format().data(), in->Format().size());
        stream.SetHandler(in->Info().fccHandler);
        for (int32_t i = 0; i < in->Length(); ++i) {
            int32_t bytes = 0;
            in->Read(i, 1, nullptr, 0, &bytes, nullptr);
            std::vector<uint8_t> data(static_cast<size_t>(bytes));
            in->Read(i, 1, data.data(), bytes, &bytes, nullptr);
            stream.Chunks().push_back({data, in->FindSample(i, FIND_PREV | FIND_KEY) == i});
        }
        return "";
    }
    return "no video stream";
}

std::vector<std::vector<uint8_t>> FfmpegBgrFrames(const std::string& path, int width, int height) {
    CommandResult r = RunCommand(
        {"ffmpeg", "-v", "error", "-nostdin", "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-"});
    std::vector<std::vector<uint8_t>> frames;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t stride = static_cast<size_t>(DibStride(width, 24));
    const size_t frameBytes = rowBytes * height;
    for (size_t at = 0; at + frameBytes <= r.out.size(); at += frameBytes) {
        std::vector<uint8_t> frame(stride * height, 0);
        for (int y = 0; y < height; ++y)
            std::copy_n(reinterpret_cast<const uint8_t*>(r.out.data()) + at + y * rowBytes, rowBytes,
                        frame.data() + (height - 1 - y) * stride);
        frames.push_back(std::move(frame));
    }
    return frames;
}

int LargestDifference(const uint8_t* a, const uint8_t* b, size_t size) {
    int largest = 0;
    for (size_t i = 0; i < size; ++i)
        largest = std::max(largest, std::abs(int{a[i]} - int{b[i]}));
    return largest;
}

namespace {
// VOP coding type of the first VOP in a chunk: 0 I, 1 P, 2 B; -1 when none.
int VopType(const std::vector<uint8_t>& data) {
    for (size_t i = 0; i + 4 < data.size(); ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB6)
            return data[i + 4] >> 6;
    return -1;
}
} // namespace

CMemoryAviStream PackBFrames(CMemoryAviStream& plain) {
    CMemoryAviStream packed;
    packed.SetFormat(plain.Format().data(), plain.Format().size());
    auto& in = plain.Chunks();
    auto& out = packed.Chunks();
    for (size_t i = 0; i < in.size(); ++i) {
        if (i + 1 < in.size() && VopType(in[i].data) != 2 && VopType(in[i + 1].data) == 2) {
            std::vector<uint8_t> both = in[i].data;
            both.insert(both.end(), in[i + 1].data.begin(), in[i + 1].data.end());
            out.push_back({both, in[i].key});
            out.push_back({{0x00, 0x00, 0x01, 0xB6, 0x58, 0x7F}, false});
            ++i;
        } else {
            out.push_back(in[i]);
        }
    }
    std::vector<uint8_t>& first = out[0].data;
    for (size_t i = 0; i + 3 < first.size(); ++i) {
        if (first[i] == 0 && first[i + 1] == 0 && first[i + 2] == 1 && first[i + 3] == 0xB6) {
            const std::string tag = "DivX503b1393p";
            std::vector<uint8_t> userData = {0x00, 0x00, 0x01, 0xB2};
            userData.insert(userData.end(), tag.begin(), tag.end());
            first.insert(first.begin() + static_cast<std::ptrdiff_t>(i), userData.begin(), userData.end());
            break;
        }
    }
    return packed;
}
