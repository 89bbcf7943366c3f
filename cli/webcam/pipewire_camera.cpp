// The PipeWire video source: a thread loop runs the connection; publish() keeps the latest frame
// and triggers a graph cycle, whose process callback converts that frame into the dequeued
// buffer in the negotiated layout. All stream state is guarded by the thread loop's lock.
#include "pipewire_camera.h"

#include <pipewire/pipewire.h>
#include <spa/param/buffers.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include "pixel_formats.h"

namespace duovue {
namespace {

constexpr int kConnectTimeoutSeconds = 5;

std::uint32_t spaFormatOf(PixelFormat format) {
    switch (format) {
        case PixelFormat::I420:
            return SPA_VIDEO_FORMAT_I420;
        case PixelFormat::NV12:
            return SPA_VIDEO_FORMAT_NV12;
        case PixelFormat::YUY2:
            return SPA_VIDEO_FORMAT_YUY2;
        case PixelFormat::BGRx:
            return SPA_VIDEO_FORMAT_BGRx;
        case PixelFormat::RGBx:
            return SPA_VIDEO_FORMAT_RGBx;
        case PixelFormat::BGR:
            return SPA_VIDEO_FORMAT_BGR;
        case PixelFormat::RGB:
            return SPA_VIDEO_FORMAT_RGB;
    }
    return SPA_VIDEO_FORMAT_UNKNOWN;
}

std::optional<PixelFormat> pixelFormatOf(std::uint32_t spaFormat) {
    for (PixelFormat f : kOfferedFormats)
        if (spaFormatOf(f) == spaFormat) return f;
    return std::nullopt;
}

bool isYuv(PixelFormat f) {
    return f == PixelFormat::I420 || f == PixelFormat::NV12 || f == PixelFormat::YUY2;
}

// One EnumFormat for the YUV layouts (with their colour range and matrix) or for the RGB ones,
// each at exactly the chosen size and rate. The first layout listed is the preferred one.
const spa_pod* buildEnumFormat(spa_pod_builder* b, bool yuv, const StreamSettings& s) {
    spa_pod_frame object, choice;
    spa_pod_builder_push_object(b, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_add(b, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
                        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), 0);
    spa_pod_builder_prop(b, SPA_FORMAT_VIDEO_format, 0);
    spa_pod_builder_push_choice(b, &choice, SPA_CHOICE_Enum, 0);
    bool first = true;
    for (PixelFormat f : kOfferedFormats) {
        if (isYuv(f) != yuv) continue;
        if (first) spa_pod_builder_id(b, spaFormatOf(f));  // the default
        spa_pod_builder_id(b, spaFormatOf(f));
        first = false;
    }
    spa_pod_builder_pop(b, &choice);
    const spa_rectangle size{static_cast<std::uint32_t>(s.width),
                             static_cast<std::uint32_t>(s.height)};
    const spa_fraction rate{static_cast<std::uint32_t>(s.fps), 1};
    spa_pod_builder_add(b, SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
                        SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate), 0);
    if (yuv) {
        spa_pod_builder_add(b, SPA_FORMAT_VIDEO_colorRange,
                            SPA_POD_Id(SPA_VIDEO_COLOR_RANGE_16_235), SPA_FORMAT_VIDEO_colorMatrix,
                            SPA_POD_Id(SPA_VIDEO_COLOR_MATRIX_BT601), 0);
    }
    return static_cast<const spa_pod*>(spa_pod_builder_pop(b, &object));
}

// Holds the thread loop's lock for a scope.
class LoopLock {
  public:
    explicit LoopLock(pw_thread_loop* loop) : loop_(loop) { pw_thread_loop_lock(loop_); }
    ~LoopLock() { pw_thread_loop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

  private:
    pw_thread_loop* loop_;
};

// The published node. Its members are guarded by the thread loop's lock: the loop's thread runs
// the callbacks with it held, every other call takes it.
class PipeWireNode : public FrameSink {
  public:
    ~PipeWireNode() override;

    // Connects and waits for the node; false with `error` set when that fails.
    bool connect(const StreamSettings& settings, std::string* error);

    bool streaming() const override;
    void publish(const Frame& frame) override;
    std::string failure() const override;

    // Callbacks of the core and the stream.
    void fail(const std::string& why);
    void stateChanged(pw_stream_state state, const char* error);
    void negotiated(const spa_pod* param);
    void process();

  private:
    StreamSettings settings_;
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    spa_hook coreListener_{};
    spa_hook streamListener_{};

    pw_stream_state state_ = PW_STREAM_STATE_CONNECTING;
    std::string failure_;
    std::optional<PixelFormat> format_;  // negotiated
    std::vector<std::uint8_t> latest_;   // the latest frame, blue-green-red, bottom row first
    bool haveFrame_ = false;
    std::uint64_t sequence_ = 0;
};

PipeWireNode::~PipeWireNode() {
    if (loop_ != nullptr) pw_thread_loop_lock(loop_);
    if (stream_ != nullptr) pw_stream_destroy(stream_);  // disconnects: the node goes away
    if (core_ != nullptr) {
        spa_hook_remove(&coreListener_);
        pw_core_disconnect(core_);
    }
    if (loop_ != nullptr) {
        pw_thread_loop_unlock(loop_);
        pw_thread_loop_stop(loop_);
    }
    if (context_ != nullptr) pw_context_destroy(context_);
    if (loop_ != nullptr) pw_thread_loop_destroy(loop_);
}

void PipeWireNode::fail(const std::string& why) {
    if (failure_.empty()) failure_ = why;
    pw_thread_loop_signal(loop_, false);
}

// The consumer settled on a layout: check it and tell the server what buffers it needs.
void PipeWireNode::negotiated(const spa_pod* param) {
    format_.reset();
    if (param == nullptr) return;  // the format was cleared
    spa_video_info_raw info{};
    std::uint32_t mediaType = 0, mediaSubtype = 0;
    if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 ||
        mediaType != SPA_MEDIA_TYPE_video || mediaSubtype != SPA_MEDIA_SUBTYPE_raw ||
        spa_format_video_raw_parse(param, &info) < 0)
        return;
    const std::optional<PixelFormat> chosen = pixelFormatOf(info.format);
    if (!chosen || static_cast<int>(info.size.width) != settings_.width ||
        static_cast<int>(info.size.height) != settings_.height)
        return;
    format_ = chosen;

    const int bytes = static_cast<int>(frameBytes(*format_, settings_.width, settings_.height));
    const int stride = rowStride(*format_, settings_.width);
    std::uint8_t buffer[512];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const spa_pod* params[2];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(8, 2, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_size, SPA_POD_Int(bytes), SPA_PARAM_BUFFERS_stride, SPA_POD_Int(stride),
        SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_Header), SPA_PARAM_META_size,
        SPA_POD_Int(static_cast<int>(sizeof(spa_meta_header)))));
    pw_stream_update_params(stream_, params, 2);
}

// One graph cycle: the latest frame into the next free buffer. Until a frame has come, or for a
// layout that could not be agreed, the buffer goes out empty and marked corrupted.
void PipeWireNode::process() {
    pw_buffer* b = pw_stream_dequeue_buffer(stream_);
    if (b == nullptr) return;
    spa_buffer* buf = b->buffer;
    spa_data& d = buf->datas[0];

    bool filled = false;
    if (format_ && haveFrame_ && d.data != nullptr && d.chunk != nullptr) {
        const Frame frame{settings_.width, settings_.height, latest_.data(),
                          static_cast<std::size_t>(settings_.width) * 3};
        filled =
            convertFrame(frame, *format_,
                         {static_cast<std::uint8_t*>(d.data), static_cast<std::size_t>(d.maxsize)});
    }
    if (d.chunk != nullptr) {
        d.chunk->offset = 0;
        d.chunk->size = filled ? static_cast<std::uint32_t>(
                                     frameBytes(*format_, settings_.width, settings_.height))
                               : 0;
        d.chunk->stride = filled ? rowStride(*format_, settings_.width) : 0;
        d.chunk->flags = filled ? 0 : SPA_CHUNK_FLAG_CORRUPTED;
    }
    if (auto* h = static_cast<spa_meta_header*>(
            spa_buffer_find_meta_data(buf, SPA_META_Header, sizeof(spa_meta_header)))) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        h->flags = filled ? 0 : SPA_META_HEADER_FLAG_CORRUPTED;
        h->offset = 0;
        h->pts = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
        h->dts_offset = 0;
        h->seq = sequence_++;
    }
    pw_stream_queue_buffer(stream_, b);
}

void PipeWireNode::stateChanged(pw_stream_state newState, const char* error) {
    const bool wasUp = state_ == PW_STREAM_STATE_PAUSED || state_ == PW_STREAM_STATE_STREAMING;
    state_ = newState;
    if (newState == PW_STREAM_STATE_ERROR)
        fail(std::string("PipeWire refused the video node: ") + (error ? error : "error"));
    else if (newState == PW_STREAM_STATE_UNCONNECTED && wasUp)
        fail("PipeWire went away");
    pw_thread_loop_signal(loop_, false);
}

void onCoreError(void* data, std::uint32_t id, int, int res, const char* message) {
    if (id != PW_ID_CORE) return;
    auto* node = static_cast<PipeWireNode*>(data);
    if (res == -EPIPE)
        node->fail("PipeWire went away");
    else
        node->fail(std::string("PipeWire: ") + (message ? message : "error"));
}

void onStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
    static_cast<PipeWireNode*>(data)->stateChanged(state, error);
}

void onParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
    if (id == SPA_PARAM_Format) static_cast<PipeWireNode*>(data)->negotiated(param);
}

void onProcess(void* data) {
    static_cast<PipeWireNode*>(data)->process();
}

constexpr pw_core_events kCoreEvents = [] {
    pw_core_events e{};
    e.version = PW_VERSION_CORE_EVENTS;
    e.error = onCoreError;
    return e;
}();

constexpr pw_stream_events kStreamEvents = [] {
    pw_stream_events e{};
    e.version = PW_VERSION_STREAM_EVENTS;
    e.state_changed = onStateChanged;
    e.param_changed = onParamChanged;
    e.process = onProcess;
    return e;
}();

bool PipeWireNode::connect(const StreamSettings& chosen, std::string* error) {
    const auto refuse = [error](std::string why) {
        if (error != nullptr) *error = std::move(why);
        return false;
    };
    settings_ = chosen;
    latest_.resize(static_cast<std::size_t>(settings_.width) * settings_.height * 3);
    loop_ = pw_thread_loop_new("duovue-webcam", nullptr);
    if (loop_ == nullptr) return refuse("PipeWire could not start its thread");
    context_ = pw_context_new(pw_thread_loop_get_loop(loop_), nullptr, 0);
    if (context_ == nullptr || pw_thread_loop_start(loop_) < 0)
        return refuse("PipeWire could not start its thread");

    const LoopLock lock(loop_);
    core_ = pw_context_connect(context_, nullptr, 0);
    if (core_ == nullptr) {
        const int why = errno;
        return refuse(std::string("PipeWire is not running (") + std::strerror(why) + ")");
    }
    pw_core_add_listener(core_, &coreListener_, &kCoreEvents, this);

    pw_properties* props = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_ROLE, "Camera",
        PW_KEY_NODE_NAME, "duovue-webcam", PW_KEY_NODE_DESCRIPTION, settings_.description.c_str(),
        PW_KEY_APP_NAME, "duovue", nullptr);
    stream_ = pw_stream_new(core_, "duovue-webcam", props);
    if (stream_ == nullptr) return refuse("PipeWire refused the video node");
    pw_stream_add_listener(stream_, &streamListener_, &kStreamEvents, this);

    std::uint8_t buffer[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const spa_pod* params[2] = {buildEnumFormat(&b, true, settings_),
                                buildEnumFormat(&b, false, settings_)};
    const auto flags =
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS);
    if (pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 2) < 0)
        return refuse("PipeWire refused the video node");

    timespec deadline{};
    pw_thread_loop_get_time(loop_, &deadline,
                            static_cast<std::int64_t>(kConnectTimeoutSeconds) * SPA_NSEC_PER_SEC);
    while (state_ == PW_STREAM_STATE_CONNECTING && failure_.empty()) {
        if (pw_thread_loop_timed_wait_full(loop_, &deadline) != 0) break;
    }
    if (!failure_.empty()) return refuse(failure_);
    if (state_ != PW_STREAM_STATE_PAUSED && state_ != PW_STREAM_STATE_STREAMING)
        return refuse("PipeWire did not make the video node in time");
    return true;
}

bool PipeWireNode::streaming() const {
    const LoopLock lock(loop_);
    return state_ == PW_STREAM_STATE_STREAMING && failure_.empty();
}

std::string PipeWireNode::failure() const {
    const LoopLock lock(loop_);
    return failure_;
}

void PipeWireNode::publish(const Frame& frame) {
    if (frame.bottomRow == nullptr || frame.width != settings_.width ||
        frame.height != settings_.height)
        return;
    const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 3;
    const LoopLock lock(loop_);
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(latest_.data() + y * rowBytes, frame.bottomRow + y * frame.stride, rowBytes);
    haveFrame_ = true;
    if (state_ == PW_STREAM_STATE_STREAMING) pw_stream_trigger_process(stream_);
}

}  // namespace

std::unique_ptr<FrameSink> publishPipeWireCamera(const StreamSettings& settings,
                                                 std::string* error) {
    if (frameBytes(PixelFormat::I420, settings.width, settings.height) == 0 || settings.fps <= 0) {
        if (error != nullptr) *error = "unsupported picture size or rate";
        return nullptr;
    }
    pw_init(nullptr, nullptr);
    auto node = std::make_unique<PipeWireNode>();
    if (!node->connect(settings, error)) return nullptr;
    return node;
}

}  // namespace duovue
