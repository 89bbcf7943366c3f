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

void MainWindow::drawThumbnail(int slot) {
    const PackedBitmap* thumb = session().pageThumbnail(slot);
    if (thumb == nullptr) return;
    const Rect& frame = state_.frameRects[slot];
    layer_->drawBitmap(frame.left + 1, frame.top + 1, state_.frameWidth - 4, state_.frameHeight - 4,
                       *thumb);
}

void MainWindow::clearPageLabels() {
    for (int a = 0; a < kSlotCount; ++a) {
        setLabel(kFirstNumberLabel + a, QString());
        setLabel(kFirstCaption + a, QString());
    }
}

void MainWindow::showPage() {
    showPageAt(session().state().pageIndex);
}

void MainWindow::showPageAt(int page) {
    clearPageLabels();
    session().showPage(page, *this);
    // A page that does not fill every slot is the last.
    if (page * kSlotCount + kSlotCount > session().state().dscCount) enable(kNext, false);
}

void MainWindow::drawDigitCounter(int value) {
    const int count = session().state().dscCount;
    value = std::min(value, count);
    const bool running = value != count && value != 0;
    value = std::clamp(value, 0, 999);
    const int digits[3] = {value / 100, (value / 10) % 10, value % 10};
    const CounterGeometry& g = state_.counter;
    layer_->beginBatch(layer_->canvas().rect());
    for (int i = 0; i < 3; ++i) {
        const int top = running ? runningDigitTop(digits[i]) : finalDigitTop(digits[i]);
        layer_->stretchImage(digits_, QRect(0, top, kDigitBitmapWidth, kDigitCellHeight),
                             QRect(g.left + i * g.digitWidth, g.top, g.digitWidth, g.digitHeight));
    }
    layer_->endBatch();
}

void MainWindow::paintThumbnailArea() {
    const SessionState& s = session().state();
    if (s.downloaded == 0) {
        drawDigitCounter(0);
        return;
    }
    if (s.paintEnabled != 0) {
        for (int a = 0; a < kSlotCount; ++a) {
            const int n = s.pageIndex * kSlotCount + a;
            if (n >= s.dscCount || n >= kTableSize) break;
            // Only what the repainted area shows needs rescaling.
            if (!layer_->clipRect().intersects(toQRect(state_.frameRects[a]))) continue;
            drawThumbnail(a);
        }
    }
    drawDigitCounter(s.dscCount);
    if (s.paintEnabled != 0 && state_.selectedSlot >= 0) {
        outlineSlot(state_.selectedSlot, kSelectionColor);
        if (state_.hoverSlot >= 0 && state_.hoverSlot != state_.selectedSlot)
            outlineSlot(state_.hoverSlot, kHoverColor);
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
    const MainWindowState& s = state_;
    for (int a = 0; a < kSlotCount; ++a) {
        const Rect& r = s.frameRects[a];
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return a;
    }
    return -1;
}

QRect MainWindow::grownFrame(int slot) const {
    const Rect& r = state_.frameRects[slot];
    return QRect(QPoint(r.left - 3, r.top - 3), QPoint(r.right + 2, r.bottom + 2));
}

void MainWindow::outlineSlot(int slot, QRgb color) {
    if (slot < 0 || slot >= kSlotCount) return;
    layer_->outline(state_.frameRects[slot], color);
}

void MainWindow::hoverAt(int x, int y) {
    MainWindowState& s = state_;
    if (session().state().downloaded == 0 || session().state().dscCount <= 0) return;
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
    MainWindowState& s = state_;
    const SessionState& shared = session().state();
    if (shared.downloaded == 0 || shared.dscCount <= 0) return;
    const int slot = slotAt(x, y);
    if (slot < 0) return;
    const int n = shared.pageIndex * kSlotCount + slot;
    if (n >= shared.dscCount) return;
    const int old = s.selectedSlot;
    s.selectedSlot = slot;
    s.hoverSlot = slot;
    if (old >= 0 && old != slot) repaintArea(grownFrame(old));
    outlineSlot(slot, kSelectionColor);
    if (shared.slotImages[slot]) imageView_->openImage(n);
}

void MainWindow::turnPage(int page) {
    MainWindowState& s = state_;
    session().setPaintEnabled(false);
    for (int a = 0; a < kSlotCount; ++a) repaintRect(s.frameRects[a]);
    session().setPaintEnabled(true);
    s.selectedSlot = 0;
    showPageAt(page);
}

void MainWindow::nextPage() {
    const int page = session().state().pageIndex + 1;
    turnPage(page);
    enable(kPrevious, page != 0);
    if (page >= session().state().dscCount / kSlotCount) enable(kNext, false);
    // The window's own painting then outlines the selection.
    repaintArea(grownFrame(state_.selectedSlot));
}

void MainWindow::previousPage() {
    const int page = session().state().pageIndex - 1;
    if (page < 0) return;
    turnPage(page);
    if (page == 0) enable(kPrevious, false);
    enable(kNext, true);
    repaintArea(grownFrame(state_.selectedSlot));
}

}  // namespace zentdesk
