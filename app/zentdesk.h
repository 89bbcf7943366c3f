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
#include <functional>
#include <string>

#include "session.h"

class QDialog;
class QString;
class QWidget;

namespace zentdesk {

using zentsession::ClipRecord;
using zentsession::hasSamples;
using zentsession::isEndMark;
using zentsession::kClipMark;
using zentsession::kEndMark;
using zentsession::kMaxImages;
using zentsession::kPastEndEntry;
using zentsession::kSizeCode;
using zentsession::kSlotCount;
using zentsession::kTableSize;
using zentsession::kV8Frame;
using zentsession::PackedBitmap;
using zentsession::Session;
using zentsession::SessionState;

// A rectangle with Windows semantics: right and bottom lie just outside.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
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

// What the windows of one run share: the camera session and the platform seams.
struct Desk {
    Session session;
    Seams seams = defaultSeams();
};

// The main window's own record: its layout, the selection and the clip chosen to play.
struct MainWindowState {
    int currentClipNumber = 0;
    int selectedSlot = -1;
    int hoverSlot = -1;
    int frameWidth = 0;
    int frameHeight = 0;
    std::array<Rect, kSlotCount> frameRects{};
    CounterGeometry counter{};
};

// Writes the bottom-left width x height pixels of `from` through the saving seam, as a fresh
// bitmap from `allocator`. False when there was no memory for the copy.
bool saveShownPicture(const Seams& seams, const PackedBitmap& from, int width, int height,
                      const PackedBitmap::Allocator& allocator);

}  // namespace zentdesk
#endif /* __cplusplus */

#endif /* DUOVUE_ZENTDESK_H */
