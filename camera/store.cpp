// Store layouts: items back to back in table order, each in the wire format; a 160 x 120 item is
// followed by 256 filler bytes.
#include "store.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace camera::detail {

StoreContent emptyStore() {
    StoreContent s;
    s.table.fill(kErasedByte);
    s.image.assign(kStoreBytes, kErasedByte);
    return s;
}

StoreContent buildStore(const std::vector<PlannedItem>& plan, const Sensor& sensor, uint32_t seed) {
    if (plan.size() >= kTableBytes)
        throw StoreError("too many pictures: " + std::to_string(plan.size()) +
                         " (the image table holds at most 255)");
    size_t total = 0;
    for (const PlannedItem& p : plan)
        total += static_cast<size_t>(p.width) * p.height + (p.width == 160 ? kSmallItemFiller : 0);
    if (total > kStoreBytes)
        throw StoreError("the pictures need " + std::to_string(total) + " bytes; the store holds " +
                         std::to_string(kStoreBytes));

    StoreContent s = emptyStore();
    Image canvas;
    size_t offset = 0;
    int clip = -1;
    for (size_t i = 0; i < plan.size(); ++i) {
        const PlannedItem& p = plan[i];
        StoredItem item;
        item.width = p.width;
        item.height = p.height;
        item.v8 = p.v8;
        item.scene = p.scene;
        if (p.v8) {
            const bool continues =
                i > 0 && plan[i - 1].v8 && plan[i - 1].tag == p.tag && plan[i - 1].width == p.width;
            if (!continues) ++clip;
            item.clip = clip;
            item.tag = p.tag;
        }
        uint8_t cls = p.width == 160 ? kClassSmall : kClassLarge;
        if (p.v8) cls |= kClassV8 | ((clip & 1) ? kClassMarker : 0);
        cls |= static_cast<uint8_t>(i & 0x0F);  // the firmware's sequence number
        item.classByte = cls;
        item.offset = offset;
        s.table[i] = cls;

        p.scene.render(canvas);
        sensor.capture(canvas, p.width, p.height, s.image.data() + offset,
                       static_cast<uint32_t>(mix(seed + 0x5707E + i)));
        offset += static_cast<size_t>(p.width) * p.height;
        if (p.width == 160) {
            std::fill_n(s.image.begin() + static_cast<std::ptrdiff_t>(offset), kSmallItemFiller,
                        kFillerByte);
            offset += kSmallItemFiller;
        }
        s.items.push_back(std::move(item));
    }
    // The end mark after the last item; the rest of the table stays erased.
    if (plan.size() < kTableBytes) s.table[plan.size()] = 0x70;
    return s;
}

std::vector<PlannedItem> defaultPlan() {
    std::vector<PlannedItem> plan;
    auto still = [&](int scene, int w, int h) {
        plan.push_back({Scene::builtin(scene), w, h, false, ""});
    };
    auto clip = [&](int scene, int frames, int w, int h, const char* tag) {
        for (int f = 0; f < frames; ++f)
            plan.push_back({Scene::builtin(scene, static_cast<uint32_t>(f * 3)), w, h, true, tag});
    };
    for (int k = 0; k < 6; ++k) still(k, 320, 240);
    clip(kClipSceneFirst, 6, 160, 120, "walk");
    for (int k = 6; k < 9; ++k) still(k, 160, 120);
    for (int k = 9; k < 12; ++k) still(k, 320, 240);
    // Two clips of one size back to back: only the clip marker tells them apart.
    clip(kClipSceneFirst + 1, 5, 320, 240, "street");
    clip(kClipSceneFirst + 2, 4, 320, 240, "garden");
    return plan;
}

std::vector<PlannedItem> fullPlan() {
    std::vector<PlannedItem> plan;
    for (int i = 0; i < kFullStoreItems; ++i) {
        const bool small = i % 4 == 3;
        plan.push_back(
            {Scene::builtin(i % kStillScenes), small ? 160 : 320, small ? 120 : 240, false, ""});
    }
    return plan;
}

namespace {

// Why the entry `path` cannot be a picture file: empty for a regular file.
std::string entryProblem(const std::filesystem::path& path) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) {
        const std::string reason = std::strerror(errno);
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            return "a link that cannot be followed (" + reason + ")";
        return reason;
    }
    return S_ISREG(target.st_mode) ? std::string() : "not a regular file";
}

}  // namespace

std::vector<PlannedItem> directoryPlan(const std::string& directory) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(directory, ec)) throw StoreError(directory + ": not a directory");
    std::vector<fs::path> files;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        if (path.extension() != ".ppm")
            throw StoreError(name + ": only binary PPM files (*.ppm) may be in " + directory);
        if (const std::string problem = entryProblem(path); !problem.empty())
            throw StoreError(name + ": " + problem);
        // Counted while listing: a folder of thousands of files is refused at the 256th.
        if (files.size() + 1 >= kTableBytes)
            throw StoreError(directory + ": too many pictures (the image table holds at most " +
                             std::to_string(kTableBytes - 1) + ")");
        files.push_back(path);
    }
    if (ec) throw StoreError(directory + ": " + ec.message());
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string() < b.filename().string();
    });

    // Sizes from the headers first: a store too big is refused before any pixel data is read.
    std::vector<PpmHeader> headers;
    size_t total = 0;
    for (const fs::path& path : files) {
        headers.push_back(readPpmHeader(path.string()));
        const PpmHeader& h = headers.back();
        total += static_cast<size_t>(h.width) * h.height + (h.width == 160 ? kSmallItemFiller : 0);
        if (total > kStoreBytes)
            throw StoreError(directory + ": the pictures up to " + path.filename().string() +
                             " need " + std::to_string(total) + " bytes; the store holds " +
                             std::to_string(kStoreBytes));
    }

    std::vector<PlannedItem> plan;
    for (size_t k = 0; k < files.size(); ++k) {
        const fs::path& path = files[k];
        PlannedItem item;
        // "<name>.v8-<tag>.ppm" is a frame of the clip <tag>.
        const std::string stem = path.stem().string();
        const size_t dot = stem.rfind('.');
        if (dot != std::string::npos && stem.compare(dot + 1, 3, "v8-") == 0 &&
            stem.size() > dot + 4) {
            item.v8 = true;
            item.tag = stem.substr(dot + 4);
        }
        item.width = headers[k].width;
        item.height = headers[k].height;
        if (item.v8 && !plan.empty() && plan.back().v8 && plan.back().tag == item.tag &&
            plan.back().width != item.width)
            throw StoreError(path.filename().string() + ": clip '" + item.tag +
                             "' mixes picture sizes");
        Image image = readPpm(path.string());
        // A file changed between the two reads must not change the planned layout.
        if (image.width != item.width || image.height != item.height)
            throw StoreError(path.filename().string() + ": changed while it was read");
        item.scene = Scene::fromImage(std::move(image));
        plan.push_back(std::move(item));
    }
    return plan;
}

}  // namespace camera::detail
