#include "platform/CAviCompressedStream.h"

#include "platform/CCompressorRegistry.h"

CAviCompressedStream::CAviCompressedStream(IAviStream* target, const CompressorInfo& compressor,
                                           const EncoderSettings& settings)
    : m_target(target), m_compressor(compressor), m_settings(settings) {}

CAviCompressedStream::~CAviCompressedStream() {
    Finish();
}

std::unique_ptr<CAviCompressedStream>
CAviCompressedStream::Create(IAviStream* target, const CodecOptions& options, std::string* error) {
    if (!target || target->Info().fccType != streamtypeVIDEO) {
        if (error)
            *error = "A compressed stream needs a video stream to write to";
        return nullptr;
    }
    const CompressorInfo* compressor = nullptr;
    EncoderSettings settings;
    if (!CCompressorRegistry::EffectiveSettings(options, &compressor, settings, error))
        return nullptr;
    return std::unique_ptr<CAviCompressedStream>(new CAviCompressedStream(target, *compressor, settings));
}

int CAviCompressedStream::SetFormat(const void* data, size_t size) {
    if (m_encoder) {
        m_error = "The input format of a compressed stream is set once";
        return AVIERR_UNSUPPORTED;
    }
    if (!data || size == 0) {
        m_error = "No input format given";
        return AVIERR_BADPARAM;
    }
    const AviStreamInfo info = m_target->Info();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    m_encoder =
        CVideoEncoder::Open(m_compressor, m_settings, bytes, size, info.dwRate, info.dwScale, &m_error);
    if (!m_encoder)
        return AVIERR_UNSUPPORTED;
    const std::vector<uint8_t>& format = m_encoder->OutputFormat();
    int ret = m_target->SetFormat(format.data(), format.size());
    if (ret != AVIERR_OK) {
        m_error = "The compressed format could not be set on the target stream";
        m_encoder.reset();
        return ret;
    }
    m_encoder->SetExpectedFrames(m_expectedFrames);
    // Not every target can rename its handler; the format names the codec anyway.
    m_target->SetHandler(m_compressor.fourcc);
    m_inputFormat.assign(bytes, bytes + size);
    return AVIERR_OK;
}

void CAviCompressedStream::SetExpectedFrames(int64_t frames) {
    m_expectedFrames = frames;
    if (m_encoder)
        m_encoder->SetExpectedFrames(frames);
}

bool CAviCompressedStream::WantsTwoPasses() const {
    return m_settings.TwoPasses() && !m_compressor.lossless;
}

bool CAviCompressedStream::StartAnalysis() {
    if (!m_encoder || m_finished || m_inputFormat.empty())
        return false;
    const AviStreamInfo info = m_target->Info();
    m_analysis = CVideoEncoder::Open(m_compressor, m_settings, m_inputFormat.data(), m_inputFormat.size(),
                                     info.dwRate, info.dwScale, &m_error);
    if (m_analysis) {
        m_analysis->SetExpectedFrames(m_expectedFrames);
        m_analysis->SetFirstPass();
    }
    return m_analysis != nullptr;
}

void CAviCompressedStream::EndAnalysis() {
    if (!m_analysis)
        return;
    std::vector<RateFrameMeasure> measures;
    if (m_analysis->TakeMeasures(measures) && !measures.empty())
        m_encoder->UseMeasures(std::move(measures));
    m_analysis.reset();
}

template <typename Encode>
int CAviCompressedStream::WriteWith(int32_t start, int32_t* bytesWritten, Encode encode) {
    if (m_analysis) {
        // The first pass: measured, not written.
        const bool ok = encode(*m_analysis);
        m_packets.clear();
        return ok ? AVIERR_OK : AVIERR_BADPARAM;
    }
    if (!m_encoder || m_finished) {
        m_error = m_finished ? "The compressed stream is finished" : "The input format was not set";
        return AVIERR_UNSUPPORTED;
    }
    if (start < 0 || (!m_positions.empty() && start <= m_positions.back())) {
        m_error = "A compressed stream takes one frame per write, at rising positions";
        return AVIERR_BADPARAM;
    }
    m_positions.push_back(start);
    if (!encode(*m_encoder)) {
        m_positions.pop_back();
        return AVIERR_BADPARAM;
    }
    return WritePackets(bytesWritten);
}

int CAviCompressedStream::Write(int32_t start, int32_t n, const void* buffer, int32_t size, uint32_t flags,
                                int32_t* samplesWritten, int32_t* bytesWritten) {
    if (samplesWritten)
        *samplesWritten = 0;
    if (bytesWritten)
        *bytesWritten = 0;
    if (n != 1 || size < 0 || !buffer) {
        m_error = "A compressed stream takes one frame per write, at rising positions";
        return AVIERR_BADPARAM;
    }
    const int ret = WriteWith(start, bytesWritten, [&](CVideoEncoder& encoder) {
        return encoder.Encode(static_cast<const uint8_t*>(buffer), static_cast<size_t>(size),
                              (flags & AVIIF_KEYFRAME) != 0, m_packets, &m_error);
    });
    if (ret == AVIERR_OK && samplesWritten)
        *samplesWritten = 1;
    return ret;
}

int CAviCompressedStream::WritePlanes(int32_t start, const YuvPicture& picture, uint32_t flags) {
    return WriteWith(start, nullptr, [&](CVideoEncoder& encoder) {
        return encoder.EncodePlanes(picture, (flags & AVIIF_KEYFRAME) != 0, m_packets, &m_error);
    });
}

int CAviCompressedStream::WritePackets(int32_t* bytesWritten) {
    int result = AVIERR_OK;
    for (CVideoEncoder::Packet& packet : m_packets) {
        if (m_positions.empty()) {
            m_error = "The encoder gave more pictures than it was given frames";
            result = AVIERR_FILEWRITE;
            break;
        }
        const int32_t position = m_positions.front();
        m_positions.pop_front();
        int32_t written = 0;
        int ret = m_target->Write(position, 1, packet.data.data(), static_cast<int32_t>(packet.data.size()),
                                  packet.key ? AVIIF_KEYFRAME : 0, nullptr, &written);
        if (ret != AVIERR_OK) {
            m_error = "The compressed frame could not be written";
            result = ret;
            break;
        }
        if (bytesWritten)
            *bytesWritten += written;
    }
    m_packets.clear();
    return result;
}

bool CAviCompressedStream::Finish() {
    if (!m_encoder)
        return true;
    if (m_finished)
        return m_finishedWell;
    m_finished = true;
    m_finishedWell = m_encoder->Flush(m_packets, &m_error) && WritePackets(nullptr) == AVIERR_OK;
    if (m_finishedWell && !m_positions.empty()) {
        m_error = "The encoder kept frames it was given";
        m_finishedWell = false;
    }
    return m_finishedWell;
}
