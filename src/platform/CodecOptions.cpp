#include "platform/CodecOptions.h"

void CodecOptions::Clear() {
    *this = CodecOptions();
}
