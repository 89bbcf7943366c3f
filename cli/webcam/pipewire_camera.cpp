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

}  // namespace

struct PipeWireCamera::Impl {
    StreamSettings settings;
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook coreListener{};
    spa_hook streamListener{};

    // Guarded by the loop's lock.
    pw_stream_state state = PW_STREAM_STATE_CONNECTING;
    std::string failure;
    std::optional<PixelFormat> format;  // negotiated
    std::vector<std::uint8_t> latest;   // the latest frame, blue-green-red, bottom row first
    bool haveFrame = false;
    std::uint64_t sequence = 0;

    ~Impl();
    void fail(const std::string& why);
    void negotiated(const spa_pod* param);
    void process();
};

PipeWireCamera::Impl::~Impl() {
    if (loop != nullptr) pw_thread_loop_lock(loop);
    if (stream != nullptr) pw_stream_destroy(stream);  // disconnects: the node goes away
    if (core != nullptr) {
        spa_hook_remove(&coreListener);
        pw_core_disconnect(core);
    }
    if (loop != nullptr) {
        pw_thread_loop_unlock(loop);
        pw_thread_loop_stop(loop);
    }
    if (context != nullptr) pw_context_destroy(context);
    if (loop != nullptr) pw_thread_loop_destroy(loop);
}

void PipeWireCamera::Impl::fail(const std::string& why) {
    if (failure.empty()) failure = why;
    pw_thread_loop_signal(loop, false);
}

// The consumer settled on a layout: check it and tell the server what buffers it needs.
void PipeWireCamera::Impl::negotiated(const spa_pod* param) {
    format.reset();
    if (param == nullptr) return;  // the format was cleared
    spa_video_info_raw info{};
    std::uint32_t mediaType = 0, mediaSubtype = 0;
    if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 ||
        mediaType != SPA_MEDIA_TYPE_video || mediaSubtype != SPA_MEDIA_SUBTYPE_raw ||
        spa_format_video_raw_parse(param, &info) < 0)
        return;
    const std::optional<PixelFormat> chosen = pixelFormatOf(info.format);
    if (!chosen || static_cast<int>(info.size.width) != settings.width ||
        static_cast<int>(info.size.height) != settings.height)
        return;
    format = chosen;

    const int bytes = static_cast<int>(frameBytes(*format, settings.width, settings.height));
    const int stride = rowStride(*format, settings.width);
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
    pw_stream_update_params(stream, params, 2);
}

// One graph cycle: the latest frame into the next free buffer. Until a frame has come, or for a
// layout that could not be agreed, the buffer goes out empty and marked corrupted.
void PipeWireCamera::Impl::process() {
    pw_buffer* b = pw_stream_dequeue_buffer(stream);
    if (b == nullptr) return;
    spa_buffer* buf = b->buffer;
    spa_data& d = buf->datas[0];

    bool filled = false;
    if (format && haveFrame && d.data != nullptr && d.chunk != nullptr) {
        const Frame frame{settings.width, settings.height, latest.data(),
                          static_cast<std::size_t>(settings.width) * 3};
        filled =
            convertFrame(frame, *format,
                         {static_cast<std::uint8_t*>(d.data), static_cast<std::size_t>(d.maxsize)});
    }
    if (d.chunk != nullptr) {
        d.chunk->offset = 0;
        d.chunk->size =
            filled
                ? static_cast<std::uint32_t>(frameBytes(*format, settings.width, settings.height))
                : 0;
        d.chunk->stride = filled ? rowStride(*format, settings.width) : 0;
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
        h->seq = sequence++;
    }
    pw_stream_queue_buffer(stream, b);
}

namespace {

void onCoreError(void* data, std::uint32_t id, int, int res, const char* message) {
    auto* s = static_cast<PipeWireCamera::Impl*>(data);
    if (id == PW_ID_CORE && res == -EPIPE)
        s->fail("PipeWire went away");
    else if (id == PW_ID_CORE)
        s->fail(std::string("PipeWire: ") + (message ? message : "error"));
}

void onStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
    auto* s = static_cast<PipeWireCamera::Impl*>(data);
    const bool wasUp = s->state == PW_STREAM_STATE_PAUSED || s->state == PW_STREAM_STATE_STREAMING;
    s->state = state;
    if (state == PW_STREAM_STATE_ERROR)
        s->fail(std::string("PipeWire refused the video node: ") + (error ? error : "error"));
    else if (state == PW_STREAM_STATE_UNCONNECTED && wasUp)
        s->fail("PipeWire went away");
    pw_thread_loop_signal(s->loop, false);
}

void onParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
    if (id == SPA_PARAM_Format) static_cast<PipeWireCamera::Impl*>(data)->negotiated(param);
}

void onProcess(void* data) {
    static_cast<PipeWireCamera::Impl*>(data)->process();
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

}  // namespace

std::unique_ptr<PipeWireCamera> PipeWireCamera::connect(const StreamSettings& settings,
                                                        std::string* error) {
    const auto refuse = [error](std::string why) {
        if (error != nullptr) *error = std::move(why);
        return nullptr;
    };
    if (frameBytes(PixelFormat::I420, settings.width, settings.height) == 0 || settings.fps <= 0)
        return refuse("unsupported picture size or rate");

    pw_init(nullptr, nullptr);
    auto impl = std::make_unique<Impl>();
    impl->settings = settings;
    impl->latest.resize(static_cast<std::size_t>(settings.width) * settings.height * 3);
    impl->loop = pw_thread_loop_new("duovue-webcam", nullptr);
    if (impl->loop == nullptr) return refuse("PipeWire could not start its thread");
    impl->context = pw_context_new(pw_thread_loop_get_loop(impl->loop), nullptr, 0);
    if (impl->context == nullptr || pw_thread_loop_start(impl->loop) < 0)
        return refuse("PipeWire could not start its thread");

    pw_thread_loop_lock(impl->loop);
    impl->core = pw_context_connect(impl->context, nullptr, 0);
    if (impl->core == nullptr) {
        const int why = errno;
        pw_thread_loop_unlock(impl->loop);
        return refuse(std::string("PipeWire is not running (") + std::strerror(why) + ")");
    }
    pw_core_add_listener(impl->core, &impl->coreListener, &kCoreEvents, impl.get());

    pw_properties* props = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_ROLE, "Camera",
        PW_KEY_NODE_NAME, "duovue-webcam", PW_KEY_NODE_DESCRIPTION, settings.description.c_str(),
        PW_KEY_APP_NAME, "duovue", nullptr);
    impl->stream = pw_stream_new(impl->core, "duovue-webcam", props);
    if (impl->stream == nullptr) {
        pw_thread_loop_unlock(impl->loop);
        return refuse("PipeWire refused the video node");
    }
    pw_stream_add_listener(impl->stream, &impl->streamListener, &kStreamEvents, impl.get());

    std::uint8_t buffer[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const spa_pod* params[2] = {buildEnumFormat(&b, true, settings),
                                buildEnumFormat(&b, false, settings)};
    const auto flags =
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS);
    if (pw_stream_connect(impl->stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 2) < 0) {
        pw_thread_loop_unlock(impl->loop);
        return refuse("PipeWire refused the video node");
    }

    timespec deadline{};
    pw_thread_loop_get_time(impl->loop, &deadline,
                            static_cast<std::int64_t>(kConnectTimeoutSeconds) * SPA_NSEC_PER_SEC);
    while (impl->state == PW_STREAM_STATE_CONNECTING && impl->failure.empty()) {
        if (pw_thread_loop_timed_wait_full(impl->loop, &deadline) != 0) break;
    }
    std::string why = impl->failure;
    if (why.empty() && impl->state != PW_STREAM_STATE_PAUSED &&
        impl->state != PW_STREAM_STATE_STREAMING)
        why = "PipeWire did not make the video node in time";
    pw_thread_loop_unlock(impl->loop);
    if (!why.empty()) return refuse(why);
    return std::unique_ptr<PipeWireCamera>(new PipeWireCamera(std::move(impl)));
}

PipeWireCamera::PipeWireCamera(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PipeWireCamera::~PipeWireCamera() = default;

std::uint32_t PipeWireCamera::nodeId() const {
    pw_thread_loop_lock(impl_->loop);
    const std::uint32_t id = pw_stream_get_node_id(impl_->stream);
    pw_thread_loop_unlock(impl_->loop);
    return id;
}

bool PipeWireCamera::streaming() const {
    pw_thread_loop_lock(impl_->loop);
    const bool on = impl_->state == PW_STREAM_STATE_STREAMING && impl_->failure.empty();
    pw_thread_loop_unlock(impl_->loop);
    return on;
}

std::string PipeWireCamera::failure() const {
    pw_thread_loop_lock(impl_->loop);
    std::string why = impl_->failure;
    pw_thread_loop_unlock(impl_->loop);
    return why;
}

void PipeWireCamera::publish(const Frame& frame) {
    Impl& s = *impl_;
    if (frame.bottomRow == nullptr || frame.width != s.settings.width ||
        frame.height != s.settings.height)
        return;
    const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 3;
    pw_thread_loop_lock(s.loop);
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(s.latest.data() + y * rowBytes, frame.bottomRow + y * frame.stride, rowBytes);
    s.haveFrame = true;
    if (s.state == PW_STREAM_STATE_STREAMING) pw_stream_trigger_process(s.stream);
    pw_thread_loop_unlock(s.loop);
}

}  // namespace duovue
