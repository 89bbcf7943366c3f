// What the camera's store holds, as the command line numbers it.
#pragma once

#include <string>
#include <vector>

namespace duovue {

struct StoreItem {
    int number = 0;  // image number from 1, as the thumbnails number them
    int clip = 0;    // clip number from 1, 0 for a still
    int frame = 0;   // frame of that clip from 1, 0 for a still
    int width = 0;
    int height = 0;
    bool isClipFrame() const { return clip != 0; }
};

// The table of `list`: image number, kind ("still" or "clip N frame K") and size.
std::string itemTable(const std::vector<StoreItem>& items);
// The array of `list --json`: one object per item with number, kind, clip, frame, width, height.
std::string itemJson(const std::vector<StoreItem>& items);

}  // namespace duovue
