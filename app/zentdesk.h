/* zentdesk: the Duovue application library (windows and workflows). A host program calls
   ZENTDESK, which runs the main window modally and returns when it is closed. */
#ifndef DUOVUE_ZENTDESK_H
#define DUOVUE_ZENTDESK_H

#include "zentdrv.h"

#define ZENTDESK_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

ZENTDESK_API void ZENTDESK(void);

#ifdef __cplusplus
} /* extern "C" */

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QDialog;
class QString;
class QWidget;

namespace zentdesk {

inline constexpr int kSlotCount = 15;      // thumbnails per page
inline constexpr int kTableSize = 256;     // image-table entries
inline constexpr int kMaxImages = 107;     // most frames a good download accepts
inline constexpr int kRowTableSize = 800;  // rows a buffer's row table can describe
inline constexpr int kPastEndEntry = 112;  // ImageTableIndex value for numbers past the end mark

// Flag byte of an image-table entry.
inline constexpr BYTE kEndMark = 0x70;   // (flag & kEndMark) == kEndMark: no more frames
inline constexpr BYTE kV8Frame = 0x40;   // frame of a V8 clip; clear = DSC still
inline constexpr BYTE kSizeCode = 0x30;  // 0x00 = 320 x 240, 0x20 = 160 x 120
inline constexpr BYTE kClipMark = 0x80;  // toggles between neighbouring clips

inline bool isEndMark(BYTE flag) {
    return (flag & kEndMark) == kEndMark;
}
// Size codes 0x10 and 0x30 are items without samples (the driver gives them 0 x 0).
inline bool hasSamples(BYTE flag) {
    return (flag & kSizeCode) == 0x00 || (flag & kSizeCode) == 0x20;
}

// A rectangle with Windows semantics: right and bottom lie just outside.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// A 24-bit packed bitmap from GetImgHandle, locked for its whole life, with a row table.
struct ImageBuffer {
    HGLOBAL handle = nullptr;
    BITMAPINFOHEADER* header = nullptr;
    BYTE* pixels = nullptr;
    std::array<BYTE*, kRowTableSize> rows{};
    int width = 0;   // pixels per row as allocated (biWidth)
    int height = 0;  // rows described by `rows`

    bool allocate(int w, int h);  // false (and empty) when the driver has no memory for it
    void release();               // unlock and free once; harmless when empty
    explicit operator bool() const { return pixels != nullptr; }
};
using ImageSlot = ImageBuffer;

struct ClipRecord {
    int32_t used;
    uint8_t frameCount;
    int32_t width;
    int32_t height;
    int32_t firstEntry;
    int32_t lastEntry;
};

struct CounterGeometry {
    int left = 0;
    int top = 0;
    int digitWidth = 0;
    int digitHeight = 0;
};

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// The platform services the windows reach through a seam, so that tests answer them.
struct Seams {
    std::function<MessageAnswer(QWidget* parent, const QString& text, MessageButtons)> messageBox;
    std::function<int(QDialog& dialog)> runModal;           // modal run of a dialog
    std::function<void(const std::string& path)> openFile;  // the desktop's "open"
    std::function<int(HGLOBAL bitmap)> saveDib;             // the outside saving library
    std::function<std::string()> moduleFolder;              // folder of this library, with '/'
    // Told of every text and progress position the main window puts on the screen (tests).
    std::function<void(int controlId, const QString& text)> shown;
};
Seams defaultSeams();

// The window state shared by the main window, the image view and the video-mode window.
struct MainWindowState {
    int currentClipNumber = 0;
    int downloaded = 0;
    int paintEnabled = 0;
    int pageIndex = 0;
    int selectedSlot = -1;
    int hoverSlot = -1;
    int currentImage = 0;
    int dscCount = 0;
    int clipCount = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    std::array<Rect, kSlotCount> frameRects{};
    CounterGeometry counter{};

    std::array<int, kTableSize> ImageTableIndex{};
    std::array<BYTE, kTableSize> imageTable{};
    std::array<int, kTableSize> imageWidth{};
    std::array<int, kTableSize> imageHeight{};
    std::array<ColorSettings, kTableSize> imageColor{};
    std::array<ClipRecord, kTableSize> ClipTable{};
    // ClipTable index of each clip file written, by clip number - 1 (the up-down's choices).
    std::array<int, kTableSize> writtenClip{};

    std::array<ImageSlot, kSlotCount> slotImages{};
    ImageBuffer workImage;
    ImageBuffer displayImage;
    ImageBuffer thumbImage;

    HwInterfaceSettings hwInterface{};
    ImageInfo imageInfo{};
    ColorSettings colorSettings{};

    Seams seams = defaultSeams();
};

// The one process-wide window state.
MainWindowState& windowState();

// Color settings every downloaded frame starts with.
ColorSettings defaultImageColor();

// Hands the record to the driver (SetColorInfo).
void sendColorSettings(const ColorSettings& c);

}  // namespace zentdesk
#endif /* __cplusplus */

#endif /* DUOVUE_ZENTDESK_H */
