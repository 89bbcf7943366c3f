#include "image_table.h"

namespace zentsession {

int buildImageTableIndex(const ImageTable& table, std::array<int, kTableSize>& index) {
    int count = 0;
    for (int k = 0; k < kTableSize && !isEndMark(table[k]); ++k) {
        if (hasSamples(table[k])) index[count++] = k;
    }
    for (int n = count; n < kTableSize; ++n) index[n] = kPastEndEntry;
    return count;
}

int imageNumberOfEntry(const std::array<int, kTableSize>& index, int count, int entry) {
    for (int n = 0; n < count && n < kTableSize; ++n) {
        if (index[n] == entry) return n;
    }
    return -1;
}

int scanClips(const ImageTable& table, std::array<ClipRecord, kTableSize>& clips) {
    clips.fill(ClipRecord{});
    const auto isClipFrame = [&](int k) {
        return (table[k] & kV8Frame) != 0 && hasSamples(table[k]);
    };
    int openSize = -1;
    int openMarker = 0;
    int clip = -1;
    for (int k = 0; k < kTableSize; ++k) {
        const BYTE f = table[k];
        const bool previousOpen = k > 0 && clip >= 0 && isClipFrame(k - 1);
        if (isEndMark(f)) {
            if (previousOpen) clips[clip].lastEntry = k - 1;
            break;
        }
        if (isClipFrame(k)) {
            const int size = f & kSizeCode;
            const int marker = f & kClipMark;
            if (size == openSize && marker == openMarker) {
                ++clips[clip].frameCount;
                clips[clip].lastEntry = k;
            } else {
                if (previousOpen) clips[clip].lastEntry = k - 1;
                ++clip;
                ClipRecord& r = clips[clip];
                r.used = 1;
                r.firstEntry = k;
                r.lastEntry = k;
                r.width = frameWidthOf(f);
                r.height = frameHeightOf(f);
                r.frameCount = 1;
                openSize = size;
                openMarker = marker;
            }
        } else {
            if (previousOpen) clips[clip].lastEntry = k - 1;
            openSize = -1;
        }
    }
    return clip + 1;
}

}  // namespace zentsession
