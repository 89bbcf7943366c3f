// The session's workflows as the commands run them: progress on the terminal, the outcome of a
// workflow as an exit status, and the store's items as the command line numbers them.
#pragma once

#include <functional>
#include <vector>

#include "progress.h"
#include "session.h"
#include "store_items.h"

namespace duovue {

// Shows the workflow's stages on the progress line and remembers the last one.
class CommandObserver : public zentsession::Observer {
  public:
    explicit CommandObserver(Progress& progress) : progress_(progress) {}

    void progress(zentsession::Stage stage, int done, int total) override;
    zentsession::Stage lastStage() const { return stage_; }

    // Called once when the download reaches the store, with the image table read.
    std::function<void()> beforeStore;
    // A session to stop once the image table is read (the rest of the store is not wanted).
    zentsession::Session* stopAfterTable = nullptr;

  private:
    Progress& progress_;
    zentsession::Stage stage_ = zentsession::Stage::Opening;
    bool storeReached_ = false;
};

const char* stageName(zentsession::Stage stage);

// Throws the Failure that a workflow's result means; returns for Result::Done.
void checkResult(zentsession::Result result, const CommandObserver& observer);

// Runs the start of a download up to the image table: camera, noise frame, table. Returns the
// items of the table (empty for an empty camera); the clip table is scanned. With `wholeStore`,
// the store is downloaded as well (and `beforeStore` of the observer runs first).
std::vector<StoreItem> readStore(zentsession::Session& session, CommandObserver& observer,
                                 bool wholeStore);

// The image table's items: every entry with samples before the end mark gets the next image
// number (at most the header's count), clip frames carry their clip and frame numbers.
std::vector<StoreItem> storeItems(const zentsession::SessionState& state);

// Connects Ctrl-C to the session's stop for as long as it lives.
class StopOnInterrupt {
  public:
    explicit StopOnInterrupt(zentsession::Session& session);
    ~StopOnInterrupt();
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
};

}  // namespace duovue
