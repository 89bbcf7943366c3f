// The download workflow and "Erase": the camera's store becomes thumbnails, pages and clips.
#include <QLabel>
#include <QProgressBar>

#include "image_table.h"
#include "main_window.h"
#include "main_window_template.h"
#include "paint_layer.h"
#include "up_down.h"

namespace zentdesk {

using namespace mainid;

namespace {

const QString kNotFound = QStringLiteral("Duovue doesn't been found !");

// Sets the interface record as every camera command here wants it, with the given mode.
void selectMode(MainWindowState& s, int mode) {
    s.hwInterface.interfaceType = 4;
    s.hwInterface.reserved3 = 1;
    s.hwInterface.level = 0;
    s.hwInterface.reserved5 = 1;
    s.hwInterface.modeCode = mode;
    const HwInterfaceSettings& h = s.hwInterface;
    SetHWInterface(h.interfaceType, h.portAddress, h.reserved3, h.level, h.reserved5, h.modeCode);
}

QString ordinalText(int clip) {
    switch (clip) {
        case 0:
            return QStringLiteral("Wait ....... while saving the %1st V8 file").arg(clip + 1);
        case 1:
            return QStringLiteral("Wait ....... while saving the %1nd V8 file").arg(clip + 1);
        case 2:
            return QStringLiteral("Wait ....... while saving the %1rd V8 file").arg(clip + 1);
        default:
            return QStringLiteral("Wait ....... while saving the %1th V8 file").arg(clip + 1);
    }
}

QString sizeText(int width, int height) {
    return QStringLiteral("%1x%2").arg(width).arg(height);
}

}  // namespace

void MainWindow::download() {
    MainWindowState& s = state();

    // 1. Forget what was shown.
    s.paintEnabled = 0;
    s.downloaded = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        repaintArea(grownFrame(slot));  // the frame and any outline around it
        setLabel(kFirstNumberLabel + slot, QString());
        setLabel(kFirstCaption + slot, QString());
    }
    s.ImageTableIndex.fill(-1);
    progress_->setRange(0, 8);
    setProgress(0);
    s.pageIndex = 0;
    setLabel(kResolution, QString());
    for (int id : {kNext, kPrevious, kExit, kVideoMode, kErase}) enable(id, false);
    drawDigitCounter(0);

    // 2. Download set-up: any camera, 320 x 240 24-bit, mode 1.
    setMessage(QStringLiteral("Starting to download"));
    SetDeviceInfo(0, 0);
    s.imageInfo = ImageInfo{320, 240, 3, 0};
    SetImageInfo(s.imageInfo.width, s.imageInfo.height, s.imageInfo.displayType, s.imageInfo.fpnOn);
    s.hwInterface = SearchPPort();
    selectMode(s, 1);
    step();

    // 3. Open the camera.
    setMessage(QStringLiteral("Waiting ..... while initialize the Duovue"));
    if (InitEvCam() != 0) {
        s.seams.messageBox(this, kNotFound, MessageButtons::Ok);
        setMessage(QString());
        return downloadFailed();
    }

    // 4. Fixed-pattern noise.
    selectMode(s, 6);
    step();
    setMessage(QStringLiteral("Waiting ..... while Re-capturing the Fixed Pattern Noise"));
    if (ReInitFPN() == 0) {
        s.seams.messageBox(this, kNotFound, MessageButtons::Ok);
        setMessage(QString());
        return downloadFailed();
    }

    // 5. Image table.
    selectMode(s, 3);
    step();
    setMessage(QStringLiteral("Waiting ..... while downloading the Image Table"));
    const int count = DloadSDRAM_Header(s.imageTable.data());
    if (count < 1 || count > kMaxImages) {
        setMessage(count == -1 ? QStringLiteral("Download Header fail")
                               : QStringLiteral("No images in SDRAM"));
        s.dscCount = 0;  // nothing was accepted: the counter and the pages show no frames
        return downloadFailed();
    }
    s.dscCount = count;

    // 6. The whole store.
    step();
    setMessage(QStringLiteral("Waiting ..... while downloading the Images"));
    if (DloadSDRAM() == 0) {
        setMessage(QStringLiteral("Download fails"));
        return downloadFailed();
    }

    // 7.
    step();
    setMessage(QStringLiteral("Finish downloading"));
    setMessage(QStringLiteral("Display all B/W images"));
    // A header count above the pictures the table really holds would point past them.
    s.dscCount = std::min(s.dscCount, buildImageTableIndex(s.imageTable, s.ImageTableIndex));

    // 8. A gray thumbnail of every frame as it comes.
    const int thumbWidth = s.frameWidth - 4;
    const int thumbHeight = s.frameHeight - 4;
    for (int n = 0; n < s.dscCount; ++n) {
        const int slot = n % kSlotCount;
        const int k = s.ImageTableIndex[n];
        const BYTE flag = s.imageTable[k];
        const int w = frameWidthOf(flag);
        const int h = frameHeightOf(flag);
        s.imageWidth[n] = w;
        s.imageHeight[n] = h;
        s.currentImage = n;
        ImageSlot& image = s.slotImages[slot];
        if (image && s.workImage) {
            GetRawImage(image.rows.data(), image.header, k);
            // Every second pixel of every second row, gray in all three bytes.
            const int outWidth = (w + 1) / 2;
            for (int r = 0; r < h; r += 2) {
                const BYTE* source = image.rows[r];
                BYTE* target = s.workImage.rows[r / 2];
                for (int i = 0; i < outWidth; ++i, source += 6, target += 3) {
                    target[0] = target[1] = target[2] = source[0];
                }
            }
            ToRescaleImg(s.workImage.rows.data(), image.rows.data(), w / 2, h / 2, thumbWidth,
                         thumbHeight);
            const Rect& frame = s.frameRects[slot];
            layer_->drawBitmap(frame.left + 1, frame.top + 1, thumbWidth, thumbHeight, image);
        }
        drawDigitCounter(n + 1);
        s.imageColor[n] = defaultImageColor();
        setSlotCaption(slot, sizeText(w, h));
    }
    for (int n = s.dscCount; n < kTableSize; ++n) {
        s.imageWidth[n] = 0;
        s.imageHeight[n] = 0;
    }

    // 9, 10. The first page in color.
    setMessage(s.dscCount < kSlotCount ? QStringLiteral("Display all Color images")
                                       : QStringLiteral("Display the first 15 Color images"));
    step();
    showPage();
    s.paintEnabled = 1;
    if (s.dscCount >= kSlotCount) {
        enable(kNext, true);
        enable(kPrevious, false);
    }

    // 11.
    setLabel(kDscCount, QString::number(s.dscCount));
    step();

    // 12, 13. Clips.
    s.clipCount = scanClips(s.imageTable, s.ClipTable);
    QString summary;
    if (s.clipCount > 0) {
        const QString question =
            QStringLiteral(
                "%1 V8 files needs to be saved !\nIf you want to save them, you should wait for "
                "few seconds.\n\nDo you want to save these V8 files ?")
                .arg(s.clipCount);
        if (s.seams.messageBox(this, question, MessageButtons::YesNo) == MessageAnswer::Yes) {
            writeClips();
            summary = QStringLiteral("Total %1 DSC images\nTotal %2 V8 files")
                          .arg(s.dscCount)
                          .arg(s.clipCount);
        } else {
            summary = QStringLiteral(
                          "Total DSC image = %1 frames\nTotal %2 V8 files, but No V8 files to be "
                          "saved !")
                          .arg(s.dscCount)
                          .arg(s.clipCount);
            forgetClips();
        }
    } else {
        summary = QStringLiteral("Total DSC image = %1 frames\nNo V8 files").arg(s.dscCount);
        forgetClips();
    }

    // 14. Good end.
    setMessage(summary);
    s.downloaded = 1;
    s.paintEnabled = 1;
    step();
    for (int id : {kExit, kVideoMode, kErase}) enable(id, true);
    repaintWholeWindow();
}

void MainWindow::downloadFailed() {
    enable(kExit, true);
    enable(kVideoMode, true);
    setProgress(8);
}

void MainWindow::forgetClips() {
    MainWindowState& s = state();
    setLabel(kClipCount, QStringLiteral("0"));
    enable(kPlay, false);
    s.currentClipNumber = 0;
    s.clipCount = 0;
    upDown_->setRange(0, 0);
    upDown_->setPosition(0);
}

void MainWindow::writeClips() {
    MainWindowState& s = state();
    setMessage(QStringLiteral("Wait ....... while making V8 file"));
    enable(kPlay, true);
    int written = 0;
    for (int l = 0; l < s.clipCount; ++l) {
        setMessage(ordinalText(l));
        if (exportClip(l) == 1) {
            s.writtenClip[written++] = l;
            const ClipRecord& last = s.ClipTable[s.clipCount - 1];
            setLabel(kResolution, sizeText(last.width, last.height));
        }
    }
    s.paintEnabled = 0;
    setMessage(QStringLiteral("V8 files finish saving"));
    if (written == 0) {
        // Nothing can be played: the same state as when no clip was saved.
        forgetClips();
        return;
    }
    setLabel(kClipCount, QString::number(written));
    enable(kPlay, true);
    s.currentClipNumber = 1;
    upDown_->setRange(1, written);
    upDown_->setPosition(1);
    const ClipRecord& first = s.ClipTable[s.writtenClip[0]];
    setLabel(kResolution, sizeText(first.width, first.height));
    s.clipCount = written;
    s.seams.messageBox(this,
                       QStringLiteral("All V8 files have been already been saved into your PC"),
                       MessageButtons::Ok);
}

void MainWindow::erase() {
    MainWindowState& s = state();
    if (s.seams.messageBox(this,
                           QStringLiteral("Are you sure to erase all images stored in the SDRAM ?"),
                           MessageButtons::YesNo) != MessageAnswer::Yes) {
        return;
    }
    SetDeviceInfo(0, 0);
    s.hwInterface = SearchPPort();
    selectMode(s, 2);
    setMessage(QStringLiteral("Waiting ..... while initialize the Duovue"));
    if (InitEvCam() != 0) {
        s.seams.messageBox(this, kNotFound, MessageButtons::Ok);
        setMessage(QString());
        enable(kExit, true);
        enable(kVideoMode, true);
    } else {
        s.seams.messageBox(this, QStringLiteral("To Erase memory is finished !!"),
                           MessageButtons::Ok);
    }
}

}  // namespace zentdesk
