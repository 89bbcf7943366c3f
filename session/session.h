// zentsession: the camera's workflows without any user interface. One Session holds what a
// download leaves behind (the image table, its index, the clips, each picture's colour settings,
// the counts and the picture buffers) and runs the workflows: store download, erase, clip export,
// live preview and one stored picture at X1/X2. Each workflow reports to an Observer (message
// line, progress, questions, pictures ready, counters) in the order a window shows them, each
// report before the blocking camera call that follows it; nothing here paints.
//
// A Session drives the one camera driver of the process: use one Session at a time, from one
// thread. requestStop() may be called from any thread or a signal handler.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "camera_modes.h"
#include "zentdrv.h"

#define ZENTSESSION_API __attribute__((visibility("default")))

namespace zentsession {

inline constexpr int kSlotCount = 15;      // pictures per page
inline constexpr int kTableSize = 256;     // image-table entries
inline constexpr int kMaxImages = 107;     // most frames a good download accepts
inline constexpr int kPastEndEntry = 112;  // ImageTableIndex value for numbers past the end mark
inline constexpr int kProgressSteps = 8;   // the download's progress runs 0..8

// Flag byte of an image-table entry.
inline constexpr BYTE kEndMark = 0x70;   // (flag & kEndMark) == kEndMark: no more frames
inline constexpr BYTE kV8Frame = 0x40;   // frame of a V8 clip; clear = DSC still
inline constexpr BYTE kSizeCode = 0x30;  // 0x00 = 320 x 240, 0x20 = 160 x 120
inline constexpr BYTE kClipMark = 0x80;  // toggles between neighbouring clips

constexpr bool isEndMark(BYTE flag) {
    return (flag & kEndMark) == kEndMark;
}
// Size codes 0x10 and 0x30 are items without samples (the driver gives them 0 x 0).
constexpr bool hasSamples(BYTE flag) {
    return (flag & kSizeCode) == 0x00 || (flag & kSizeCode) == 0x20;
}
constexpr int frameWidthOf(BYTE flag) {
    return (flag & kSizeCode) == 0 ? 320 : 160;
}
constexpr int frameHeightOf(BYTE flag) {
    return (flag & kSizeCode) == 0 ? 240 : 120;
}

// A 24-bit packed bitmap from the driver (GetImgHandle): locked for its whole life, with a table
// of its rows (row 0 is the bottom line), freed exactly once. Move-only.
class ZENTSESSION_API PackedBitmap {
  public:
    // How a bitmap's memory is obtained; GetImgHandle unless a caller (a test) says otherwise.
    using Allocator = std::function<HGLOBAL(int width, int height, int displayType)>;

    PackedBitmap() = default;
    PackedBitmap(PackedBitmap&& other) noexcept;
    PackedBitmap& operator=(PackedBitmap&& other) noexcept;
    PackedBitmap(const PackedBitmap&) = delete;
    PackedBitmap& operator=(const PackedBitmap&) = delete;
    ~PackedBitmap() { release(); }

    // A fresh width x height bitmap (any previous one is released first). False, and empty,
    // when there is no memory for it.
    bool allocate(int width, int height, const Allocator& allocator = {});
    void release();
    explicit operator bool() const { return pixels_ != nullptr; }

    HGLOBAL handle() const { return handle_; }
    BITMAPINFOHEADER* header() const { return header_; }
    BYTE* pixels() const { return pixels_; }
    // The row table, as the driver's calls take it: height() pointers.
    BYTE** rows() const { return rows_; }
    BYTE* row(int r) const { return rows_[r]; }
    int width() const { return width_; }    // pixels per row (biWidth)
    int height() const { return height_; }  // rows (biHeight)
    size_t rowBytes() const { return static_cast<size_t>(width_) * 3; }

    // Copies the bottom-left width x height pixels of `from`, as far as both bitmaps hold them.
    bool copyFrom(const PackedBitmap& from, int width, int height);

  private:
    HGLOBAL handle_ = nullptr;
    BITMAPINFOHEADER* header_ = nullptr;
    BYTE* pixels_ = nullptr;
    BYTE** rows_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

struct ClipRecord {
    int32_t used;
    uint8_t frameCount;
    int32_t width;
    int32_t height;
    int32_t firstEntry;
    int32_t lastEntry;
};

// Colour settings every downloaded picture starts with.
ZENTSESSION_API ColorSettings defaultImageColor();
// Hands a record to the driver (SetColorInfo).
ZENTSESSION_API void sendColorSettings(const ColorSettings& c);

// What a download leaves behind, and the pictures the windows show. Read freely; change it only
// through the Session.
struct SessionState {
    int downloaded = 0;    // 1 after a download ended well
    int paintEnabled = 0;  // 0 while a workflow rewrites the pictures the windows paint
    int pageIndex = 0;     // the page whose colour pictures are in slotImages
    int currentImage = 0;  // the image a workflow last worked on
    int dscCount = 0;      // images of the last download
    int clipCount = 0;     // clips found, then clip files written

    std::array<int, kTableSize> ImageTableIndex{};  // image number -> table entry
    std::array<BYTE, kTableSize> imageTable{};
    std::array<int, kTableSize> imageWidth{};  // by image number
    std::array<int, kTableSize> imageHeight{};
    std::array<ColorSettings, kTableSize> imageColor{};
    std::array<ClipRecord, kTableSize> ClipTable{};
    // ClipTable index of each clip file written, by clip number - 1.
    std::array<int, kTableSize> writtenClip{};

    // 640 x 480 each: the pictures of the page (gray thumbnails while downloading).
    std::array<PackedBitmap, kSlotCount> slotImages;
    PackedBitmap workImage;     // 640 x 480: scratch, the picture view at X1
    PackedBitmap displayImage;  // 640 x 480: the live preview, the picture view at X2
    PackedBitmap thumbImage;    // thumbnail size: one rescaled picture of the page

    HwInterfaceSettings hwInterface{};
    ImageInfo imageInfo{};
    ColorSettings colorSettings{};  // the live preview's and the picture view's settings
};

// Where a picture reported to the observer belongs.
enum class Place {
    Gray,           // an item's gray picture as it arrives: half size, in workImage
    GrayThumbnail,  // the same rescaled to the thumbnail size, in slotImages[slot]
    PageSlot,       // a colour picture of the page, full size, in slotImages[slot]
    Preview,        // a live frame, in displayImage
};

struct Picture {
    Place place;
    int slot;   // place in the page (0..14), or -1
    int image;  // image number, or -1 for a live frame
    const PackedBitmap& bitmap;
    int width;
    int height;
};

enum class Counter {
    Images,  // the running image counter (0 .. images of the download)
    Stills,  // images of the download, once counted
    Clips,   // clip files written and playable; 0: none
};

// The part of a workflow under way, for progress reports.
enum class Stage { Opening, NoiseFrame, Table, Store, Pictures, Clips, Erasing, Preview };

// Told of everything a workflow would show. Every call has a default that does nothing (and
// answers No), so a front end overrides only what it shows.
class ZENTSESSION_API Observer {
  public:
    virtual ~Observer() = default;
    virtual void message(const std::string& /*text*/) {}  // the message (status) line
    virtual void step() {}                                // the download's progress moves one
    virtual void progress(Stage /*stage*/, int /*done*/, int /*total*/) {}
    virtual bool ask(const std::string& /*question*/) { return false; }  // Yes / No
    virtual void notice(const std::string& /*text*/) {}                  // a box with "OK"
    // A workflow step failed: what follows are its failure texts.
    virtual void failed() {}
    virtual void picture(const Picture& /*picture*/) {}
    virtual void counter(Counter /*which*/, int /*value*/) {}
    virtual void clipSize(int /*width*/, int /*height*/) {}
    virtual void previewResized(int /*width*/, int /*height*/) {}
};

enum class Result {
    Done,
    NotFound,      // the camera did not open (or its noise frame failed)
    HeaderFailed,  // the image table could not be read
    NoImages,      // the table counts no image, or more than kMaxImages
    StoreFailed,   // the store could not be read
    Declined,      // the user said No
    Stopped,       // requestStop() ended the workflow between two steps
    NoMemory,      // a picture buffer could not be allocated
    WriteFailed,   // a file could not be written completely
};

// The texts the user sees, shared by the workflows and the front ends.
namespace text {
inline constexpr const char* kNotFound = "Duovue doesn't been found !";
inline constexpr const char* kOpeningCamera = "Waiting ..... while initialize the Duovue";
inline constexpr const char* kPreviewing = "Previewing the images";
}  // namespace text

class ZENTSESSION_API Session {
  public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const SessionState& state() const { return state_; }

    // The driver's working memory and the picture buffers; thumbnails are rescaled to
    // thumbWidth x thumbHeight inside a frame of that size plus 4 (0 x 0: no thumbnails).
    // start() runs once before any workflow, end() once after (also from the destructor).
    void start(int thumbWidth = 0, int thumbHeight = 0);
    void end();
    bool started() const { return started_; }

    // Stop between two steps: the workflow under way returns Result::Stopped at its next check
    // (between camera calls, pictures and clip frames). Safe from a signal handler.
    void requestStop() noexcept { stop_.store(true, std::memory_order_relaxed); }
    void clearStop() noexcept { stop_.store(false, std::memory_order_relaxed); }
    bool stopRequested() const noexcept { return stop_.load(std::memory_order_relaxed); }

    // Whether the windows may paint the session's pictures (off while they are being replaced).
    void setPaintEnabled(bool on) { state_.paintEnabled = on ? 1 : 0; }
    // The live preview's and the picture view's colour settings, changed by their controls.
    ColorSettings& colorSettings() { return state_.colorSettings; }

    // ---- Store download -----------------------------------------------------------------
    // Forgets the last download's pictures (nothing is painted until the next one is there).
    void forgetDownload();
    // Set-up, camera, noise frame, image table, store, then the gray picture of every item as
    // it arrives (Place::Gray, and Place::GrayThumbnail with thumbnails). Every image gets the
    // default colour settings. On Done, state().dscCount images are there.
    Result fetchStore(Observer& observer);
    // The colour pictures of page `page` into slotImages (Place::PageSlot), each with its own
    // colour settings. Sets pageIndex.
    void showPage(int page, Observer& observer);
    // The thumbnail of the page picture in `slot`, rescaled into thumbImage; nullptr when there
    // is none.
    const PackedBitmap* pageThumbnail(int slot);
    // Image `image` in colour with its own settings into `out` (at least its size): the pixels
    // the picture view shows and saves at X1. False for a number outside the download.
    bool colorPicture(int image, PackedBitmap& out);
    // Image `image`'s gray picture (half its size, as the download shows it) into `out`.
    bool grayPicture(int image, PackedBitmap& out);
    // Groups the table's V8 frames into ClipTable; returns (and sets clipCount to) the count.
    int scanClips();
    // The whole download of the main window: fetchStore, the first page in colour, the counts,
    // the clip question and the clip files (named by `clipPath(clip number from 1)`).
    Result download(Observer& observer, const std::function<std::string(int)>& clipPath);

    // ---- Clips ---------------------------------------------------------------------------
    // Writes ClipTable[clip] to `path` as an AVI file: under a temporary name in the same folder,
    // renamed over `path` only when complete; on failure nothing is left behind and nothing that
    // was there before is touched. Done, NoMemory, WriteFailed or Stopped.
    Result exportClip(int clip, const std::string& path, Observer& observer);
    // Every clip of ClipTable, with the main window's texts; the clips written become
    // writtenClip and clipCount. Returns Done when every clip was written.
    Result saveClips(Observer& observer, const std::function<std::string(int)>& clipPath);
    // Forgets the clips (none playable).
    void forgetClips(Observer& observer);

    // ---- Erase -----------------------------------------------------------------------------
    // With `confirm`, asks first (Declined on No); then empties the camera's store.
    Result erase(Observer& observer, bool confirm = true);

    // ---- Live preview (sizeIndex 0 = 160 x 120, 1 = 320 x 240) -------------------------------
    // The preview's colour settings become its defaults, with the given switches.
    void openPreview(bool autoWhiteBalance, bool gammaOn, float gamma);
    // Opens the camera, captures the noise frame and reads the first (raw) frame.
    Result startPreview(int sizeIndex, Observer& observer);
    void stopPreview(int sizeIndex, Observer& observer);
    // One colour frame with the current settings (Place::Preview). A new sizeIndex switches the
    // size after the frame: previewResized, then the noise frame again.
    Result previewTick(int sizeIndex, Observer& observer);
    int previewSize() const { return previewSize_; }
    int previewWidth() const { return previewWidth_; }
    int previewHeight() const { return previewHeight_; }

    // ---- One stored picture (the picture view) ---------------------------------------------
    // Image `image` at X1 in workImage with its own settings, which become colorSettings; its
    // size (clamped to 320 x 240) in width and height.
    bool viewPicture(int image, int& width, int& height);
    // Converts the viewed picture again with colorSettings; `zoomed`: also X2 in displayImage.
    void recolorView(bool zoomed);
    // X2: workImage rescaled to twice its size into displayImage.
    void zoomView();
    // colorSettings become the viewed image's own; its page picture is converted again when the
    // image is on the page shown (true then).
    bool applyView();
    int viewImage() const { return viewImage_; }
    int viewEntry() const { return viewEntry_; }

    // A fresh bitmap holding the bottom-left width x height pixels of `from` (a save's copy).
    // Empty when there is no memory for it.
    static PackedBitmap snapshot(const PackedBitmap& from, int width, int height,
                                 const PackedBitmap::Allocator& allocator = {});

  private:
    void selectMode(int mode);  // the store's interface record with this mode
    void applyMode(int mode);   // the held record with this mode
    void usePreviewSize(int sizeIndex);
    Result cameraNotFound(Observer& observer);
    void grayHalf(const PackedBitmap& raw, PackedBitmap& out, int width, int height) const;

    SessionState state_;
    std::atomic<bool> stop_{false};
    bool started_ = false;
    int thumbWidth_ = 0;
    int thumbHeight_ = 0;
    int previewSize_ = 1;
    int appliedSize_ = 1;
    int previewWidth_ = 320;
    int previewHeight_ = 240;
    int viewImage_ = 0;
    int viewEntry_ = 0;
    int viewWidth_ = 0;
    int viewHeight_ = 0;
};

}  // namespace zentsession
