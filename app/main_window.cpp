// The main window: start-up, shut-down, enabling, and the small commands.
#include "main_window.h"

#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

#include "dialog_template.h"
#include "digit_bitmap.h"
#include "image_view_window.h"
#include "main_window_template.h"
#include "paint_layer.h"
#include "up_down.h"
#include "video_mode_window.h"

namespace zentdesk {

using namespace mainid;

MainWindow::MainWindow(Desk& desk, QWidget* parent)
    : QDialog(parent),
      desk_(desk),
      digits_(makeDigitBitmap().convertToFormat(QImage::Format_RGB32)) {
    buildDialog(*this, mainWindowTemplate());
    setMouseTracking(true);
    layer_ = new PaintLayer(this);
    progress_ = zentdesk::control<QProgressBar>(*this, kProgress);
    upDown_ = zentdesk::control<UpDown>(*this, kClipUpDown);

    const auto onClick = [this](int id, void (MainWindow::*command)()) {
        if (auto* button = zentdesk::control<QPushButton>(*this, id)) {
            connect(button, &QPushButton::clicked, this, command);
        }
    };
    onClick(kDownload, &MainWindow::download);
    onClick(kNext, &MainWindow::nextPage);
    onClick(kPrevious, &MainWindow::previousPage);
    onClick(kVideoMode, &MainWindow::videoMode);
    onClick(kErase, &MainWindow::erase);
    onClick(kExit, &MainWindow::accept);
    onClick(kPlay, &MainWindow::play);
    connect(upDown_, &UpDown::moved, this, &MainWindow::clipNumberMoved);

    startUp();
}

MainWindow::~MainWindow() {
    release();
}

QWidget* MainWindow::control(int id) const {
    return controlById(*this, id);
}

void MainWindow::startUp() {
    MainWindowState& s = state_;
    s = MainWindowState{};

    for (int i = 0; i < kSlotCount; ++i) {
        const QRect g = control(kFirstFrame + i)->geometry();
        s.frameRects[i] = Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    }
    s.frameWidth = s.frameRects[0].right - s.frameRects[0].left + 1;
    s.frameHeight = s.frameRects[0].bottom - s.frameRects[0].top + 1;

    const QRect c = control(kCounter)->geometry();
    const Rect inner{c.left() + 1, c.top() + 1, c.left() + c.width() - 1, c.top() + c.height() - 1};
    s.counter = CounterGeometry{inner.left, inner.top, (inner.right - inner.left + 1) / 3,
                                inner.bottom - inner.top + 1};

    // The session's buffers and the driver's memory; a fresh session shows nothing yet.
    session().end();
    session().start(s.frameWidth - 4, s.frameHeight - 4);

    imageView_ = new ImageViewWindow(this);

    repaintWholeWindow();
    s.selectedSlot = -1;
    s.hoverSlot = -1;
    enable(kPrevious, false);
    enable(kNext, false);
    enable(kPlay, false);
    upDown_->setRange(0, 0);
    upDown_->setPosition(s.currentClipNumber);
    enable(kErase, false);
    progress_->setRange(0, zentsession::kProgressSteps);
    progress_->setValue(0);
}

void MainWindow::release() {
    if (!session().started()) return;
    session().end();
    ++endCaptureCalls_;
}

void MainWindow::accept() {
    release();
    QDialog::accept();
}

void MainWindow::reject() {
    release();
    QDialog::reject();
}

void MainWindow::enable(int id, bool on) {
    if (QWidget* w = control(id)) w->setEnabled(on);
}

void MainWindow::setLabel(int id, const QString& text) {
    if (auto* label = zentdesk::control<QLabel>(*this, id)) {
        label->setText(text);
        if (label->isVisible()) label->repaint();
    }
    if (desk_.seams.shown) desk_.seams.shown(id, text);
}

void MainWindow::setMessage(const QString& text) {
    setLabel(kMessage, text);
}

void MainWindow::setProgress(int position) {
    progress_->setValue(position);
    if (progress_->isVisible()) progress_->repaint();
    if (desk_.seams.shown) desk_.seams.shown(kProgress, QString::number(position));
}

void MainWindow::videoMode() {
    VideoModeWindow window(desk_, nullptr);
    desk_.seams.runModal(window);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    hoverAt(p.x(), p.y());
    QDialog::mouseMoveEvent(event);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    doubleClickAt(p.x(), p.y());
    QDialog::mouseDoubleClickEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QDialog::closeEvent(event);
}

}  // namespace zentdesk
