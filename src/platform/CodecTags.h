#pragma once
// FourCC to libavcodec codec lookup through libavformat's RIFF tag table,
// the same table ffmpeg's own AVI reader uses. Case does not matter
// ("div3" and "DIV3" name the same codec).

#include "platform/AviTypes.h"

// The AVCodecID (as int, to keep libavcodec out of this header) for a video
// FourCC, or 0 (AV_CODEC_ID_NONE) when libavcodec has no codec for it.
int VideoCodecIdForFourCC(FOURCC fcc);
