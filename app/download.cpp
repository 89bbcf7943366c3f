// The download and "Erase" commands: the session's workflows shown in the main window.
#include <QLabel>
#include <QProgressBar>

#include "main_window.h"
#include "main_window_template.h"
#include "paint_layer.h"
#include "up_down.h"

namespace zentdesk {

using namespace mainid;
using zentsession::Result;

namespace {

QString sizeText(int width, int height) {
    return QStringLiteral("%1x%2").arg(width).arg(height);
}

}  // namespace

void MainWindow::download() {
    // Forget what was shown.
    session().forgetDownload();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        repaintArea(grownFrame(slot));  // the frame and any outline around it
        setLabel(kFirstNumberLabel + slot, QString());
        setLabel(kFirstCaption + slot, QString());
    }
    progress_->setRange(0, zentsession::kProgressSteps);
    setProgress(0);
    setLabel(kResolution, QString());
    for (int id : {kNext, kPrevious, kExit, kVideoMode, kErase}) enable(id, false);
    drawDigitCounter(0);

    const Result result =
        session().download(*this, [this](int clipNumber) { return clipPath(clipNumber); });
    if (result != Result::Done) return downloadFailed();
    for (int id : {kExit, kVideoMode, kErase}) enable(id, true);
    repaintWholeWindow();
}

void MainWindow::downloadFailed() {
    enable(kExit, true);
    enable(kVideoMode, true);
    setProgress(zentsession::kProgressSteps);
}

void MainWindow::forgetClips() {
    setLabel(kClipCount, QStringLiteral("0"));
    enable(kPlay, false);
    state_.currentClipNumber = 0;
    upDown_->setRange(0, 0);
    upDown_->setPosition(0);
}

void MainWindow::erase() {
    if (session().erase(*this) == Result::NotFound) {
        enable(kExit, true);
        enable(kVideoMode, true);
    }
}

// ---- What the session reports -------------------------------------------------------------

void MainWindow::message(const std::string& text) {
    setMessage(QString::fromStdString(text));
}

void MainWindow::step() {
    setProgress(std::min(progress_->value() + 1, progress_->maximum()));
}

void MainWindow::progress(zentsession::Stage stage, int done, int total) {
    const SessionState& s = session().state();
    if (stage == zentsession::Stage::Pictures && done > 0) {
        const int n = done - 1;
        setSlotCaption(n % kSlotCount, sizeText(s.imageWidth[n], s.imageHeight[n]));
    } else if (stage == zentsession::Stage::Clips && done == 0 && total > 0) {
        enable(kPlay, true);
    }
}

bool MainWindow::ask(const std::string& question) {
    return desk_.seams.messageBox(this, QString::fromStdString(question), MessageButtons::YesNo) ==
           MessageAnswer::Yes;
}

void MainWindow::notice(const std::string& text) {
    desk_.seams.messageBox(this, QString::fromStdString(text), MessageButtons::Ok);
}

void MainWindow::picture(const zentsession::Picture& p) {
    if (p.slot < 0 || p.slot >= kSlotCount) return;
    if (p.place == zentsession::Place::GrayThumbnail) {
        const Rect& frame = state_.frameRects[p.slot];
        layer_->drawBitmap(frame.left + 1, frame.top + 1, p.width, p.height, p.bitmap);
    } else if (p.place == zentsession::Place::PageSlot) {
        const BYTE flag = session().state().imageTable[session().state().ImageTableIndex[p.image]];
        setSlotCaption(p.slot,
                       QStringLiteral("%1 : %2x%3")
                           .arg((flag & kV8Frame) ? QStringLiteral("V8") : QStringLiteral("DSC"))
                           .arg(p.width)
                           .arg(p.height));
        setLabel(kFirstNumberLabel + p.slot, QString::number(p.image + 1));
        drawThumbnail(p.slot);
    }
}

void MainWindow::counter(zentsession::Counter which, int value) {
    switch (which) {
        case zentsession::Counter::Images:
            drawDigitCounter(value);
            break;
        case zentsession::Counter::Stills:
            if (value >= kSlotCount) {
                enable(kNext, true);
                enable(kPrevious, false);
            }
            setLabel(kDscCount, QString::number(value));
            break;
        case zentsession::Counter::Clips:
            if (value <= 0) {
                forgetClips();
                break;
            }
            setLabel(kClipCount, QString::number(value));
            enable(kPlay, true);
            state_.currentClipNumber = 1;
            upDown_->setRange(1, value);
            upDown_->setPosition(1);
            break;
    }
}

void MainWindow::clipSize(int width, int height) {
    setLabel(kResolution, sizeText(width, height));
}

}  // namespace zentdesk
