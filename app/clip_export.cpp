// V8 clips as AVI files beside the library, and playing them.
#include <QLabel>
#include <cstring>

#include "avi_writer.h"
#include "image_table.h"
#include "main_window.h"
#include "main_window_template.h"
#include "up_down.h"

namespace zentdesk {

using namespace mainid;

std::string MainWindow::clipPath(int clipNumber) const {
    return state().seams.moduleFolder() + "Duovue_V8" + std::to_string(clipNumber) + ".AVI";
}

int MainWindow::exportClip(int clip) {
    MainWindowState& s = state();
    if (clip < 0 || clip >= kTableSize) return 0;
    const ClipRecord& r = s.ClipTable[clip];
    ImageBuffer clipImage;
    if (!clipImage.allocate(r.width, r.height) || !s.workImage) {
        clipImage.release();
        s.seams.messageBox(this, QStringLiteral("error"), MessageButtons::Ok);
        return 0;
    }

    AviFile file;
    if (!file.open(clipPath(clip + 1))) {
        clipImage.release();
        return 0;
    }
    const uint32_t frameBytes = uint32_t(r.width) * uint32_t(r.height) * 3;
    AviStreamInfo info;
    info.type = kStreamTypeVideo;
    info.handler = 0;
    info.scale = 1;
    info.rate = 15;
    info.suggestedBufferSize = frameBytes;
    info.quality = -1;
    info.frameRight = r.width;
    info.frameBottom = r.height;
    if (!file.createStream(info)) {
        file.release();
        clipImage.release();
        return 0;
    }
    AviCompressOptions options;
    options.handler = kHandlerDib;
    options.flags = kCompressValid;
    if (!file.makeCompressedStream(options) || !file.setFormat(0, *clipImage.header)) {
        s.seams.messageBox(this, QStringLiteral("This V8 does not been saved !"),
                           MessageButtons::Ok);
        file.release();
        clipImage.release();
        return 0;
    }

    bool complete = true;
    const int imageCount = std::min(s.dscCount, kTableSize);
    const size_t rowBytes = size_t(r.width) * 3;
    for (int j = 0; j < r.frameCount; ++j) {
        const int e = r.firstEntry + j;
        if (e >= kTableSize) break;
        // The frame's own color settings, kept by its image number.
        const int n = imageNumberOfEntry(s.ImageTableIndex, imageCount, e);
        sendColorSettings(n >= 0 ? s.imageColor[n] : defaultImageColor());
        GetColorImage(s.workImage.rows.data(), s.workImage.header, e);
        for (int row = 0; row < r.height; ++row) {
            std::memcpy(clipImage.rows[row], s.workImage.rows[row], rowBytes);
        }
        if (!file.write(8 * j, clipImage.pixels, frameBytes, kKeyFrame)) {
            complete = false;
            break;
        }
    }
    if (!file.release()) complete = false;
    clipImage.release();
    return complete ? 1 : 0;
}

void MainWindow::clipNumberMoved(int position) {
    MainWindowState& s = state();
    s.currentClipNumber = position;
    if (position >= 1 && position <= s.clipCount) {
        enable(kPlay, true);
        const ClipRecord& r = s.ClipTable[s.writtenClip[position - 1]];
        setLabel(kResolution, QStringLiteral("%1x%2").arg(r.width).arg(r.height));
    } else {
        enable(kPlay, false);
    }
}

void MainWindow::play() {
    MainWindowState& s = state();
    const int number = s.currentClipNumber;
    if (number < 1 || number > s.clipCount) return;
    s.seams.openFile(clipPath(s.writtenClip[number - 1] + 1));
}

}  // namespace zentdesk
