#include "media/MovieNavigation.h"

#include "media/CAVIFile.h"

int32_t NavigationLength(const CAVIFile& low) {
    return low.IsOpen() ? low.GetLength() : 0;
}

bool NavigateFrom(ENavigation command, int32_t p, const CAVIFile& low, int32_t* frame) {
    const int32_t n = NavigationLength(low);
    const int video = low.IsOpen() ? low.GetVideoIndex() : -1;
    switch (command) {
    case ENavigation::First:
        *frame = 0;
        return true;
    case ENavigation::Last:
        *frame = n - 1;
        return true;
    case ENavigation::Prev:
        if (p < 1)
            return false;
        *frame = p - 1;
        return true;
    case ENavigation::Next:
        if (p >= n - 1)
            return false;
        *frame = p + 1;
        return true;
    case ENavigation::PrevKey: {
        if (p >= n)
            return false;
        // The search includes its start, so it starts one frame before p.
        const int32_t key = video >= 0 && p >= 1 ? low.PrevKeyFrame(video, p - 1) : -1;
        *frame = key < 0 ? 0 : key;
        return true;
    }
    case ENavigation::NextKey: {
        if (p >= n - 1)
            return false;
        const int32_t key = video >= 0 ? low.NextKeyFrame(video, p + 1) : -1;
        *frame = key < 0 ? n - 1 : key;
        return true;
    }
    }
    return false;
}

bool IsMarkableFrame(int32_t frame, const CAVIFile& low) {
    const int32_t n = NavigationLength(low);
    if (n > 0 && frame == n - 1)
        return true;
    const int video = low.IsOpen() ? low.GetVideoIndex() : -1;
    return video >= 0 && frame >= 0 && frame < n && low.IsKeyFrame(video, frame);
}
