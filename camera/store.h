// The camera's store: the image table and the store image, built from a plan of pictures.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "sensor.h"

namespace camera::detail {

// One picture to be stored.
struct PlannedItem {
    Scene scene;
    int width = 320;
    int height = 240;
    bool v8 = false;
    std::string tag;  // clip tag; consecutive V8 items with the same tag form one clip
};

struct StoreContent {
    std::array<uint8_t, kTableBytes> table{};
    std::vector<uint8_t> image;  // kStoreBytes
    std::vector<StoredItem> items;
};

// An erased store: the table all end marks, the image all kErasedByte.
StoreContent emptyStore();
// Photographs every planned item with `sensor` and lays the items out back to back. Throws
// StoreError when they do not fit (255 items, kStoreBytes bytes).
StoreContent buildStore(const std::vector<PlannedItem>& plan, const Sensor& sensor, uint32_t seed);

std::vector<PlannedItem> defaultPlan();
std::vector<PlannedItem> fullPlan();
// The binary PPM files of `directory` in name order. Throws StoreError on anything else.
std::vector<PlannedItem> directoryPlan(const std::string& directory);

// The header of a binary PPM picture the store accepts (P6, maxval 255, 320 x 240 or 160 x 120,
// exactly its pixel data after the header). Throws StoreError with a message naming the file.
struct PpmHeader {
    int width = 0;
    int height = 0;
    size_t pixelOffset = 0;  // where the pixel data starts
};
PpmHeader readPpmHeader(const std::string& path);

// Reads a binary PPM (P6, maxval 255). Throws StoreError with a message naming the file.
Image readPpm(const std::string& path);

}  // namespace camera::detail
