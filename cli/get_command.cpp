// get: the store once, every still as a picture file and every clip as an AVI file.
#include <string>
#include <vector>

#include "camera_session.h"
#include "commands.h"
#include "exit_status.h"
#include "interrupt.h"
#include "output_folder.h"
#include "picture_file.h"

namespace duovue {

namespace {

using zentsession::PackedBitmap;

struct Target {
    std::string name;
    int index = 0;      // into the items (a still) or the clip table (a clip)
    bool keep = false;  // exists, and --skip-existing keeps it
};

struct GetPlan {
    std::vector<Target> stills;
    std::vector<Target> clips;
};

bool chosen(const Options& o, int number) {
    return !o.items || o.items->contains(number);
}

// What the store's items become, checked against the folder before anything is downloaded.
GetPlan planGet(const Options& o, const std::vector<StoreItem>& items, const OutputFolder& folder) {
    const int count = static_cast<int>(items.size());
    if (o.items && o.items->highest() > count) {
        throw Failure(Exit::Usage, "--items names image " + std::to_string(o.items->highest()) +
                                       ", but the camera holds " + std::to_string(count) +
                                       (count == 1 ? " image" : " images"));
    }
    GetPlan plan;
    for (int i = 0; i < count; ++i) {
        const StoreItem& item = items[i];
        if (!chosen(o, item.number)) continue;
        if (!item.isClipFrame()) {
            plan.stills.push_back({stillFileName(item.number, o.format), i});
        } else if (o.clips && (plan.clips.empty() || plan.clips.back().index != item.clip - 1)) {
            plan.clips.push_back({clipFileName(item.clip), item.clip - 1});
        }
    }
    std::vector<std::string> existing;
    for (auto* list : {&plan.stills, &plan.clips}) {
        for (Target& t : *list) {
            if (!folder.exists(t.name)) continue;
            existing.push_back(folder.pathOf(t.name));
            t.keep = o.overwrite == Overwrite::SkipExisting;
        }
    }
    if (!existing.empty() && o.overwrite == Overwrite::Refuse) {
        std::string more;
        if (existing.size() > 1) more = " (and " + std::to_string(existing.size() - 1) + " more)";
        throw Failure(Exit::FileFailed, existing.front() + " exists" + more +
                                            "; nothing was downloaded. Give --skip-existing to "
                                            "keep such files or --force to replace them");
    }
    return plan;
}

PictureView viewOf(const PackedBitmap& bitmap, int width, int height) {
    return PictureView{width, height, bitmap.row(0), bitmap.rowBytes()};
}

}  // namespace

void runGet(const Options& o, const Console& console, zentsession::Session& session) {
    OutputFolder folder(o.dir);
    Progress progress(console.err, console.errIsTerminal && !o.quiet);
    CommandObserver observer(progress);
    GetPlan plan;
    observer.beforeStore = [&] {
        session.scanClips();
        plan = planGet(o, storeItems(session.state()), folder);
    };
    const std::vector<StoreItem> items = readStore(session, observer, true);
    if (items.empty()) plan = planGet(o, items, folder);  // an empty camera never reached the store

    PackedBitmap picture;
    if (!picture.allocate(320, 240)) throw Failure(Exit::CameraFailed, "out of memory");
    const bool replace = o.overwrite == Overwrite::Force;
    int pictures = 0;
    int done = 0;
    for (const Target& t : plan.stills) {
        throwIfInterrupted();
        progress.count("pictures", done++, static_cast<int>(plan.stills.size()));
        if (t.keep) continue;
        const StoreItem& item = items[t.index];
        const int image = item.number - 1;
        std::vector<uint8_t> bytes;
        if (o.gray) {
            if (!session.grayPicture(image, picture)) {
                throw Failure(Exit::CameraFailed,
                              "image " + std::to_string(item.number) + " could not be converted");
            }
            const PictureView view = viewOf(picture, item.width / 2, item.height / 2);
            bytes = o.format == PictureFormat::Png ? encodePng(view, true) : encodeBmp(view);
        } else {
            if (!session.colorPicture(image, picture)) {
                throw Failure(Exit::CameraFailed,
                              "image " + std::to_string(item.number) + " could not be converted");
            }
            const PictureView view = viewOf(picture, item.width, item.height);
            bytes = o.format == PictureFormat::Png ? encodePng(view) : encodeBmp(view);
        }
        folder.write(t.name, replace, bytes);
        ++pictures;
    }
    progress.count("pictures", done, static_cast<int>(plan.stills.size()));

    int clips = 0;
    done = 0;
    zentsession::Observer quiet;  // the clip's own frame counts stay off the line
    for (const Target& t : plan.clips) {
        throwIfInterrupted();
        progress.count("clips", done++, static_cast<int>(plan.clips.size()));
        if (t.keep) continue;
        folder.write(t.name, replace, [&](const std::string& tempPath) {
            const zentsession::Result result = session.exportClip(t.index, tempPath, quiet);
            if (result == zentsession::Result::Stopped) throwIfInterrupted();
            return result == zentsession::Result::Done;
        });
        ++clips;
    }
    if (!plan.clips.empty()) progress.count("clips", done, static_cast<int>(plan.clips.size()));
    progress.finish(std::to_string(pictures) + " pictures and " + std::to_string(clips) +
                    " clips written to " + folder.dir());
}

}  // namespace duovue
