#include "camera_session.h"

#include "exit_status.h"
#include "interrupt.h"

namespace duovue {

using zentsession::Result;
using zentsession::Stage;

const char* stageName(Stage stage) {
    switch (stage) {
        case Stage::Opening:
            return "opening the camera";
        case Stage::NoiseFrame:
            return "noise frame";
        case Stage::Table:
            return "table";
        case Stage::Store:
        case Stage::Pictures:  // the download decoding the store's items
            return "store";
        case Stage::Clips:
            return "clips";
        case Stage::Erasing:
            return "erasing";
        case Stage::Preview:
            return "live picture";
    }
    return "camera";
}

void CommandObserver::progress(Stage stage, int done, int total) {
    stage_ = stage;
    if (stage == Stage::Table && stopAfterTable != nullptr) stopAfterTable->requestStop();
    if (stage == Stage::Store && !storeReached_) {
        storeReached_ = true;
        if (beforeStore) beforeStore();
    }
    if (total > 1) {
        progress_.count(stageName(stage), done, total);
    } else {
        progress_.step(stageName(stage));
    }
}

void checkResult(Result result, const CommandObserver& observer) {
    const std::string step = stageName(observer.lastStage());
    switch (result) {
        case Result::Done:
        case Result::Declined:
            return;
        case Result::NotFound:
            if (observer.lastStage() == Stage::Opening || observer.lastStage() == Stage::Erasing) {
                throw Failure(Exit::NoCamera, "no camera answers");
            }
            throw Failure(Exit::CameraFailed, "the camera failed at the " + step);
        case Result::HeaderFailed:
            throw Failure(Exit::CameraFailed, "the camera failed at the table");
        case Result::NoImages:
            throw Failure(Exit::CameraFailed, "the camera's image table counts more than " +
                                                  std::to_string(zentsession::kMaxImages) +
                                                  " items");
        case Result::StoreFailed:
            throw Failure(Exit::CameraFailed, "the camera failed at the store");
        case Result::Stopped:
            throw Failure(Exit::Interrupted, "interrupted");
        case Result::NoMemory:
            throw Failure(Exit::CameraFailed, "out of memory at the " + step);
        case Result::WriteFailed:
            throw Failure(Exit::FileFailed, "a file could not be written");
    }
    throw Failure(Exit::CameraFailed, "the camera failed at the " + step);
}

std::vector<StoreItem> storeItems(const zentsession::SessionState& s) {
    std::vector<StoreItem> items;
    for (int k = 0; k < zentsession::kTableSize && static_cast<int>(items.size()) < s.dscCount;
         ++k) {
        const BYTE flag = s.imageTable[k];
        if (zentsession::isEndMark(flag)) break;
        if (!zentsession::hasSamples(flag)) continue;
        StoreItem item;
        item.number = static_cast<int>(items.size()) + 1;
        item.width = zentsession::frameWidthOf(flag);
        item.height = zentsession::frameHeightOf(flag);
        for (int c = 0; c < s.clipCount && c < zentsession::kTableSize; ++c) {
            const zentsession::ClipRecord& clip = s.ClipTable[c];
            if (clip.used && k >= clip.firstEntry && k <= clip.lastEntry) {
                item.clip = c + 1;
                item.frame = k - clip.firstEntry + 1;
                break;
            }
        }
        items.push_back(item);
    }
    return items;
}

std::vector<StoreItem> readStore(zentsession::Session& session, CommandObserver& observer,
                                 bool wholeStore) {
    // Without the store, the download stops as soon as the table is in.
    observer.stopAfterTable = wholeStore ? nullptr : &session;
    Result result = session.fetchStore(observer);
    observer.stopAfterTable = nullptr;
    if (!wholeStore && result == Result::Stopped && !interruptRequested()) {
        session.clearStop();
        result = Result::Done;
    }
    const zentsession::SessionState& s = session.state();
    if (result == Result::NoImages) {
        // An empty camera is no failure here: its table ends at once.
        bool anyImage = false;
        for (int k = 0; k < zentsession::kTableSize && !zentsession::isEndMark(s.imageTable[k]);
             ++k) {
            anyImage |= zentsession::hasSamples(s.imageTable[k]);
        }
        if (!anyImage) return {};
    }
    checkResult(result, observer);
    session.scanClips();
    return storeItems(s);
}

StopOnInterrupt::StopOnInterrupt(zentsession::Session& session) {
    setInterruptHook([&session] { session.requestStop(); });
    if (interruptRequested()) session.requestStop();
}

StopOnInterrupt::~StopOnInterrupt() {
    setInterruptHook({});
}

}  // namespace duovue
