#include "webcam_loop.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace duovue {
namespace {

// A camera that answers the scripted opens and reads in turn, then keeps delivering frames.
class ScriptedSource : public FrameSource {
  public:
    std::deque<bool> opens;         // results of open(); true once empty
    std::deque<FrameStatus> reads;  // results of read(); Ready once empty
    int openCalls = 0, readCalls = 0, closeCalls = 0;
    bool isOpen = false;

    bool open(int width, int height) override {
        ++openCalls;
        width_ = width;
        height_ = height;
        const bool ok = opens.empty() || opens.front();
        if (!opens.empty()) opens.pop_front();
        isOpen = ok;
        return ok;
    }
    FrameStatus read(Frame& frame) override {
        EXPECT_TRUE(isOpen) << "read from a closed camera";
        ++readCalls;
        FrameStatus s = FrameStatus::Ready;
        if (!reads.empty()) {
            s = reads.front();
            reads.pop_front();
        }
        if (s == FrameStatus::Ready) {
            pixels_.assign(static_cast<size_t>(width_) * height_ * 3, 7);
            frame = {width_, height_, pixels_.data(), static_cast<size_t>(width_) * 3};
        }
        return s;
    }
    void close() override {
        ++closeCalls;
        isOpen = false;
    }
    std::string error() const override { return "the camera is gone"; }

  private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> pixels_;
};

class CountingSink : public FrameSink {
  public:
    bool consumer = true;
    std::string why;
    int published = 0;
    std::vector<int> widths;

    bool streaming() const override { return consumer; }
    void publish(const Frame& frame) override {
        ++published;
        widths.push_back(frame.width);
    }
    std::string failure() const override { return why; }
};

constexpr LoopTiming kFast{std::chrono::milliseconds(1), std::chrono::milliseconds(1)};

WebcamOptions fastOptions(bool wait = false) {
    WebcamOptions o;
    o.fps = 1000;
    o.wait = wait;
    return o;
}

// The exit status; the reason of a failure in `reason`, the notices meanwhile in `notices`.
int run(ScriptedSource& source, CountingSink& sink, const WebcamOptions& options,
        const std::function<bool()>& stop, std::string* reason = nullptr,
        std::string* notices = nullptr) {
    std::string said;
    const auto notice = [&](const std::string& text) { said += text + "\n"; };
    const WebcamEnd end = runWebcamLoop(source, sink, options, stop, notice, kFast);
    if (reason) *reason = end.reason;
    if (notices) *notices = said;
    EXPECT_EQ(end.reason.empty(), end.status == kExitStopped);
    return end.status;
}

TEST(WebcamLoop, PublishesFramesOfTheChosenSizeUntilStoppedThenClosesTheCamera) {
    ScriptedSource source;
    CountingSink sink;
    WebcamOptions options = fastOptions();
    options.width = 160;
    options.height = 120;
    EXPECT_EQ(run(source, sink, options, [&] { return sink.published >= 5; }), kExitStopped);
    EXPECT_EQ(sink.published, 5);
    EXPECT_EQ(sink.widths, std::vector<int>(5, 160));
    EXPECT_EQ(source.closeCalls, 1);
    EXPECT_FALSE(source.isOpen);
}

TEST(WebcamLoop, ReadsNothingWhileNoConsumerIsStreaming) {
    ScriptedSource source;
    CountingSink sink;
    sink.consumer = false;
    int polls = 0;
    EXPECT_EQ(run(source, sink, fastOptions(), [&] { return ++polls > 20; }), kExitStopped);
    EXPECT_EQ(source.openCalls, 1);  // opened at once, so a consumer gets frames without delay
    EXPECT_EQ(source.readCalls, 0);
    EXPECT_EQ(sink.published, 0);
}

TEST(WebcamLoop, MissingFramesAreSkippedWithoutEndingTheRun) {
    ScriptedSource source;
    source.reads = {FrameStatus::Missing, FrameStatus::Ready, FrameStatus::Missing};
    CountingSink sink;
    EXPECT_EQ(run(source, sink, fastOptions(), [&] { return source.readCalls >= 5; }),
              kExitStopped);
    EXPECT_EQ(sink.published, 3);
}

TEST(WebcamLoop, TheCameraVanishingEndsTheRunWithItsMessage) {
    ScriptedSource source;
    source.reads = {FrameStatus::Ready, FrameStatus::Ready, FrameStatus::Gone};
    CountingSink sink;
    std::string reason, notices;
    EXPECT_EQ(run(
                  source, sink, fastOptions(), [] { return false; }, &reason, &notices),
              kExitCameraFailed);
    EXPECT_EQ(sink.published, 2);
    EXPECT_EQ(reason, "the camera is gone");
    EXPECT_EQ(notices, "");
    EXPECT_FALSE(source.isOpen);
}

TEST(WebcamLoop, WithWaitTheCameraIsReopenedAndFramesGoOn) {
    ScriptedSource source;
    source.reads = {FrameStatus::Ready, FrameStatus::Gone};
    source.opens = {true, false, false, true};
    CountingSink sink;
    std::string notices;
    const auto fourFrames = [&] { return sink.published >= 4; };
    EXPECT_EQ(run(source, sink, fastOptions(true), fourFrames, nullptr, &notices), kExitStopped);
    EXPECT_EQ(source.openCalls, 4);
    EXPECT_EQ(sink.published, 4);
    EXPECT_EQ(notices,
              "the camera stopped answering; waiting for it\n"
              "the camera answers again\n");
}

TEST(WebcamLoop, NoCameraAtTheStartIsExit2OrAWaitUntilStopped) {
    ScriptedSource absent;
    absent.opens = {false};
    CountingSink sink;
    std::string reason;
    EXPECT_EQ(run(
                  absent, sink, fastOptions(), [] { return false; }, &reason),
              kExitUnavailable);
    EXPECT_EQ(reason, "the camera is gone");

    ScriptedSource never;
    never.opens = std::deque<bool>(1000, false);
    std::string notices;
    EXPECT_EQ(run(
                  never, sink, fastOptions(true), [&] { return never.openCalls >= 3; }, nullptr,
                  &notices),
              kExitStopped);
    EXPECT_EQ(notices, "the camera is gone; waiting for it\n");
    EXPECT_EQ(never.readCalls, 0);
    EXPECT_EQ(sink.published, 0);
}

TEST(WebcamLoop, ASinkThatFailsEndsTheRunAndTheWait) {
    ScriptedSource source;
    CountingSink sink;
    std::string reason;
    const auto failAfterThree = [&] {
        if (sink.published == 3) sink.why = "PipeWire went away";
        return false;
    };
    EXPECT_EQ(run(source, sink, fastOptions(), failAfterThree, &reason), kExitUnavailable);
    EXPECT_EQ(reason, "PipeWire went away");
    EXPECT_FALSE(source.isOpen);

    // Waiting for a camera ends too when PipeWire goes meanwhile.
    ScriptedSource absent;
    absent.opens = std::deque<bool>(1000, false);
    CountingSink failing;
    const auto failAtThirdOpen = [&] {
        if (absent.openCalls == 3) failing.why = "PipeWire went away";
        return false;
    };
    EXPECT_EQ(run(absent, failing, fastOptions(true), failAtThirdOpen, &reason), kExitUnavailable);
    EXPECT_EQ(reason, "PipeWire went away");
    EXPECT_EQ(absent.openCalls, 3);
}

}  // namespace
}  // namespace duovue
