#include "platform/CodecTags.h"

extern "C" {
#include <libavformat/avformat.h>
}

int VideoCodecIdForFourCC(FOURCC fcc) {
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    // av_codec_get_id tries an exact match first, then one without regard to case.
    return static_cast<int>(av_codec_get_id(tables, fcc));
}
