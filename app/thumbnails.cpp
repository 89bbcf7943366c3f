// Thumbnail pages: page display, painting of the thumbnail area, the digit counter, the mouse
// over the thumbnails and the paging commands.
#include <QLabel>
#include <QPushButton>

#include "digit_bitmap.h"
#include "image_view_window.h"
#include "main_window.h"
#include "main_window_template.h"
#include "paint_layer.h"

namespace zentdesk {

using namespace mainid;

namespace {

QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace

void MainWindow::setSlotCaption(int slot, const QString& text) {
    setLabel(kFirstCaption + slot, text);
}

void MainWindow::drawThumbnail(int slot, ImageBuffer& source, int width, int height) {
    MainWindowState& s = state();
    if (!source || !s.thumbImage || width <= 0 || height <= 0) return;
    const int thumbWidth = s.frameWidth - 4;
    const int thumbHeight = s.frameHeight - 4;
    ToRescaleImg(source.rows.data(), s.thumbImage.rows.data(), width, height, thumbWidth,
                 thumbHeight);
    const Rect& frame = s.frameRects[slot];
    layer_->drawBitmap(frame.left + 1, frame.top + 1, thumbWidth, thumbHeight, s.thumbImage);
}

void MainWindow::showPage() {
    MainWindowState& s = state();
    for (int a = 0; a < kSlotCount; ++a) {
        setLabel(kFirstNumberLabel + a, QString());
        setLabel(kFirstCaption + a, QString());
    }
    for (int a = 0; a < kSlotCount; ++a) {
        const int n = s.pageIndex * kSlotCount + a;
        s.currentImage = n;
        if (n >= s.dscCount || n >= kTableSize) {
            enable(kNext, false);
            break;
        }
        const int k = s.ImageTableIndex[n];
        if (k < 0 || k >= kTableSize || isEndMark(s.imageTable[k])) break;
        const BYTE flag = s.imageTable[k];
        const int w = s.imageWidth[n];
        const int h = s.imageHeight[n];
        setSlotCaption(a, QStringLiteral("%1 : %2x%3")
                              .arg((flag & kV8Frame) ? QStringLiteral("V8") : QStringLiteral("DSC"))
                              .arg(w)
                              .arg(h));
        ImageSlot& image = s.slotImages[a];
        if (image) {
            sendColorSettings(s.imageColor[n]);
            GetColorImage(image.rows.data(), image.header, k);
            GetColorInfo(&s.imageColor[n]);
        }
        setLabel(kFirstNumberLabel + a, QString::number(n + 1));
        drawThumbnail(a, image, w, h);
        drawDigitCounter(n + 1);
    }
    drawDigitCounter(s.dscCount);
}

void MainWindow::drawDigitCounter(int value) {
    MainWindowState& s = state();
    value = std::min(value, s.dscCount);
    const bool running = value != s.dscCount && value != 0;
    value = std::clamp(value, 0, 999);
    const int digits[3] = {value / 100, (value / 10) % 10, value % 10};
    const CounterGeometry& g = s.counter;
    layer_->beginBatch(layer_->canvas().rect());
    for (int i = 0; i < 3; ++i) {
        const int top = running ? runningDigitTop(digits[i]) : finalDigitTop(digits[i]);
        layer_->stretchImage(digits_, QRect(0, top, kDigitBitmapWidth, kDigitCellHeight),
                             QRect(g.left + i * g.digitWidth, g.top, g.digitWidth, g.digitHeight));
    }
    layer_->endBatch();
}

void MainWindow::paintThumbnailArea() {
    MainWindowState& s = state();
    if (s.downloaded == 0) {
        drawDigitCounter(0);
        return;
    }
    if (s.paintEnabled != 0) {
        for (int a = 0; a < kSlotCount; ++a) {
            const int n = s.pageIndex * kSlotCount + a;
            if (n >= s.dscCount || n >= kTableSize) break;
            // Only what the repainted area shows needs rescaling.
            if (!layer_->clipRect().intersects(toQRect(s.frameRects[a]))) continue;
            drawThumbnail(a, s.slotImages[a], s.imageWidth[n], s.imageHeight[n]);
        }
    }
    drawDigitCounter(s.dscCount);
    if (s.paintEnabled != 0 && s.selectedSlot >= 0) {
        outlineSlot(s.selectedSlot, kSelectionColor);
        if (s.hoverSlot >= 0 && s.hoverSlot != s.selectedSlot)
            outlineSlot(s.hoverSlot, kHoverColor);
    }
}

void MainWindow::repaintArea(const QRect& area) {
    layer_->beginBatch(area);
    layer_->erase(area);
    paintThumbnailArea();
    layer_->endBatch();
}

void MainWindow::repaintRect(const Rect& rect) {
    repaintArea(toQRect(rect));
}

void MainWindow::repaintWholeWindow() {
    repaintArea(rect());
}

int MainWindow::slotAt(int x, int y) const {
    const MainWindowState& s = state();
    for (int a = 0; a < kSlotCount; ++a) {
        const Rect& r = s.frameRects[a];
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return a;
    }
    return -1;
}

QRect MainWindow::grownFrame(int slot) const {
    const Rect& r = state().frameRects[slot];
    return QRect(QPoint(r.left - 3, r.top - 3), QPoint(r.right + 2, r.bottom + 2));
}

void MainWindow::outlineSlot(int slot, QRgb color) {
    if (slot < 0 || slot >= kSlotCount) return;
    layer_->outline(state().frameRects[slot], color);
}

void MainWindow::hoverAt(int x, int y) {
    MainWindowState& s = state();
    if (s.downloaded == 0 || s.dscCount <= 0) return;
    const int slot = slotAt(x, y);
    if (slot < 0) return;
    const int old = s.hoverSlot;
    s.hoverSlot = slot;
    setMessage(QStringLiteral("Please double clicks to see its original size"));
    if (old >= 0 && old != slot) repaintArea(grownFrame(old));
    outlineSlot(slot, kHoverColor);
    if (s.selectedSlot >= 0 && s.selectedSlot != s.hoverSlot) {
        outlineSlot(s.selectedSlot, kSelectionColor);
    }
}

void MainWindow::doubleClickAt(int x, int y) {
    MainWindowState& s = state();
    if (s.downloaded == 0 || s.dscCount <= 0) return;
    const int slot = slotAt(x, y);
    if (slot < 0) return;
    const int n = s.pageIndex * kSlotCount + slot;
    if (n >= s.dscCount) return;
    const int old = s.selectedSlot;
    s.selectedSlot = slot;
    s.hoverSlot = slot;
    if (old >= 0 && old != slot) repaintArea(grownFrame(old));
    outlineSlot(slot, kSelectionColor);
    if (s.slotImages[slot]) imageView_->openImage(n);
}

void MainWindow::nextPage() {
    MainWindowState& s = state();
    s.paintEnabled = 0;
    for (int a = 0; a < kSlotCount; ++a) repaintRect(s.frameRects[a]);
    s.paintEnabled = 1;
    s.selectedSlot = 0;
    s.pageIndex += 1;
    showPage();
    enable(kPrevious, s.pageIndex != 0);
    if (s.pageIndex >= s.dscCount / kSlotCount) enable(kNext, false);
    // The window's own painting then outlines the selection.
    repaintArea(grownFrame(s.selectedSlot));
}

void MainWindow::previousPage() {
    MainWindowState& s = state();
    if (s.pageIndex <= 0) return;
    s.paintEnabled = 0;
    for (int a = 0; a < kSlotCount; ++a) repaintRect(s.frameRects[a]);
    s.paintEnabled = 1;
    s.selectedSlot = 0;
    s.pageIndex -= 1;
    showPage();
    if (s.pageIndex == 0) enable(kPrevious, false);
    enable(kNext, true);
    repaintArea(grownFrame(s.selectedSlot));
}

}  // namespace zentdesk
