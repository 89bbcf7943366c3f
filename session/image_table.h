// Reading the camera's image table: image numbers and V8 clips.
#pragma once

#include <array>

#include "session.h"

namespace zentsession {

using ImageTable = std::array<BYTE, kTableSize>;

// Image number to table entry. Items without samples (size codes 0x10 and 0x30) are not images
// and get no number; so every stored picture gets one and the numbers stay dense. Numbers past
// the end mark map to kPastEndEntry. Returns how many images the table holds.
int buildImageTableIndex(const ImageTable& table, std::array<int, kTableSize>& index);

// The image number whose entry is `entry`, or -1.
int imageNumberOfEntry(const std::array<int, kTableSize>& index, int count, int entry);

// Groups runs of V8 frames into clips: a run ends at a DSC still, at an item without samples, at a
// change of size, or where the clip marker changes. Clears `clips` first; returns the clip count.
int scanClips(const ImageTable& table, std::array<ClipRecord, kTableSize>& clips);

}  // namespace zentsession
