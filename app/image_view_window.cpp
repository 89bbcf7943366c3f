// The image view window: one image at X1 or X2, its gains with live re-conversion, "Apply",
// "SAVE", and a hint line for the control under the mouse pointer.
#include "image_view_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <cstring>

#include "dialog_template.h"
#include "main_window.h"
#include "paint_layer.h"
#include "video_mode_window.h"

namespace zentdesk {

using namespace viewid;

namespace {

using K = ControlKind;

constexpr ControlSpec kControls[] = {
    {kStaticId, K::GroupBox, "Displayed Image Size", 450, 7, 95, 26},
    {kStaticId, K::GroupBox, "Color Information", 450, 62, 95, 200},
    {kArea, K::BlackFrame, "", 7, 7, 436, 326},
    {kHint, K::SunkenLabel, "Static", 7, 339, 538, 12},
    {kSizeLabel, K::CentredLabel, "Static", 456, 18, 83, 10},
    {kX1, K::PushButton, "X1", 456, 40, 38, 16},
    {kX2, K::PushButton, "X2", 501, 40, 38, 16},
    {kStaticId, K::CentredLabel, "R", 470, 73, 10, 9},
    {kStaticId, K::CentredLabel, "G", 488, 73, 10, 9},
    {kStaticId, K::CentredLabel, "B", 506, 73, 10, 9},
    {kStaticId, K::CentredLabel, "Y", 524, 73, 10, 9},
    {kStaticId, K::Label, "255", 451, 84, 17, 9},
    {kStaticId, K::Label, "0", 451, 216, 17, 9},
    {kRedBar, K::VScrollBar, "", 470, 84, 10, 140},
    {kGreenBar, K::VScrollBar, "", 488, 84, 10, 140},
    {kBlueBar, K::VScrollBar, "", 506, 84, 10, 140},
    {kLumaBar, K::VScrollBar, "", 524, 84, 10, 140},
    {kRedValue, K::CentredLabel, "Static", 466, 230, 18, 9},
    {kRedValue + 1, K::CentredLabel, "Static", 484, 230, 18, 9},
    {kRedValue + 2, K::CentredLabel, "Static", 502, 230, 18, 9},
    {kRedValue + 3, K::CentredLabel, "Static", 520, 230, 18, 9},
    {kApply, K::PushButton, "Apply", 456, 270, 83, 16},
    {kSave, K::PushButton, "SAVE", 456, 292, 83, 16},
    {kReturn, K::DefaultPushButton, "Return", 456, 314, 83, 16},
};

struct Hint {
    int id;
    const char* text;
};

// In the order the window's own mouse moves test them.
constexpr Hint kHints[9] = {
    {kReturn, "Return to Main Window"},         {kSave, "Save the image shown on the window"},
    {kApply, "Applying the color information"}, {kRedBar, "Adjusting the R gain"},
    {kGreenBar, "Adjusting the G gain"},        {kBlueBar, "Adjusting the B gain"},
    {kLumaBar, "Adjusting the luminous"},       {kX1, "Display the Original image size"},
    {kX2, "Display the Twice image size"},
};

// The number under a gain bar shows its value.
void showGainValue(const QWidget& window, int barId, int value) {
    if (auto* label = zentdesk::control<QLabel>(window, kRedValue + (barId - kRedBar)))
        label->setText(QString::number(value));
}

// The view rectangle of a w x h picture centred in the image area.
Rect centred(const Rect& area, int width, int height) {
    Rect r;
    r.left = area.left + 1 + (area.right - area.left - width + 1) / 2;
    if (r.left <= 0) r.left = 0;
    r.right = r.left + width;
    r.top = area.top + 1 + (area.bottom - area.top - height + 1) / 2;
    if (r.top <= 0) r.top = 0;
    r.bottom = r.top + height;
    return r;
}

Rect rectOf(const QWidget* widget) {
    const QRect g = widget->geometry();
    return Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

}  // namespace

const DialogTemplate& imageViewTemplate() {
    static const DialogTemplate dialog{
        135, "Display this Image with Original Size", 552, 357, true, kControls};
    return dialog;
}

const char* hintFor(int controlId) {
    for (const Hint& hint : kHints) {
        if (hint.id == controlId) return hint.text;
    }
    return nullptr;
}

ImageViewWindow::ImageViewWindow(MainWindow* owner) : QDialog(owner), owner_(owner) {}

ImageViewWindow::~ImageViewWindow() {
    removeHook();
    drawingOff_ = 1;
}

Session& ImageViewWindow::session() const {
    return owner_->session();
}

int ImageViewWindow::viewImage() const {
    return session().viewImage();
}

int ImageViewWindow::viewEntry() const {
    return session().viewEntry();
}

QWidget* ImageViewWindow::control(int id) const {
    return controlById(*this, id);
}

void ImageViewWindow::enable(int id, bool on) {
    if (QWidget* w = control(id)) w->setEnabled(on);
}

void ImageViewWindow::createWindow() {
    buildDialog(*this, imageViewTemplate());
    setModal(false);
    setMouseTracking(true);
    layer_ = new PaintLayer(this);

    const auto onClick = [this](int id, void (ImageViewWindow::*command)()) {
        if (auto* button = zentdesk::control<QPushButton>(*this, id))
            connect(button, &QPushButton::clicked, this, command);
    };
    onClick(kReturn, &ImageViewWindow::returnToMain);
    onClick(kX1, &ImageViewWindow::zoomOut);
    onClick(kX2, &ImageViewWindow::zoomIn);
    onClick(kSave, &ImageViewWindow::save);
    onClick(kApply, &ImageViewWindow::apply);
    for (int id = kRedBar; id <= kLumaBar; ++id) {
        if (auto* bar = zentdesk::control<QScrollBar>(*this, id)) {
            bar->setRange(0, 255);
            connect(bar, &QAbstractSlider::actionTriggered, this,
                    [this, id](int action) { scrolled(id, action); });
        }
    }
    created_ = true;

    showNormal();
    area_ = rectOf(control(kArea));
    for (size_t i = 0; i < hintAreas_.size(); ++i) {
        hintAreas_[i] = HintArea{kHints[i].id, rectOf(control(kHints[i].id))};
    }
    installHook();
}

void ImageViewWindow::openImage(int imageNumber) {
    if (imageNumber < 0 || imageNumber >= kTableSize) return;
    if (!created_) createWindow();
    // Hidden windows lose the application hook; it comes back with the window.
    installHook();
    showNormal();
    raise();
    activateWindow();
    loadColorControls(imageNumber);
    showImage(imageNumber);
}

void ImageViewWindow::setBar(int barId, int value) {
    if (auto* bar = zentdesk::control<QScrollBar>(*this, barId)) bar->setValue(255 - value);
    showGainValue(*this, barId, value);
}

void ImageViewWindow::loadColorControls(int n) {
    const ColorSettings& c = session().state().imageColor[n];
    setBar(kRedBar, c.redGain);
    setBar(kGreenBar, c.greenGain);
    setBar(kBlueBar, c.blueGain);
    setBar(kLumaBar, c.lumaGain);
}

void ImageViewWindow::setSizeLabel(bool doubled) {
    const bool large = viewWidth_ == 320 && viewHeight_ == 240;
    QString text;
    if (doubled) {
        text = large ? QStringLiteral("640x480") : QStringLiteral("320x240");
    } else {
        text = large ? QStringLiteral("320x240") : QStringLiteral("160x120");
    }
    if (auto* label = zentdesk::control<QLabel>(*this, kSizeLabel)) label->setText(text);
}

void ImageViewWindow::showImage(int n) {
    showNormal();
    drawingOff_ = 1;
    zoomed_ = 0;
    if (!session().viewPicture(n, viewWidth_, viewHeight_)) return;
    x1Rect_ = centred(area_, viewWidth_, viewHeight_);
    x2Rect_ = centred(area_, 2 * viewWidth_, 2 * viewHeight_);
    drawingOff_ = 0;
    repaintImageArea();

    if (auto* x2 = zentdesk::control<QPushButton>(*this, kX2)) x2->setText(QStringLiteral("X2"));
    setSizeLabel(false);
    enable(kX1, false);
    enable(kX2, true);
}

void ImageViewWindow::paintImage() {
    if (drawingOff_ != 0 || layer_ == nullptr) return;
    const SessionState& s = session().state();
    layer_->beginBatch(layer_->canvas().rect());
    if (zoomed_ != 0) {
        layer_->drawBitmap(x2Rect_.left, x2Rect_.top, 2 * viewWidth_, 2 * viewHeight_,
                           s.displayImage);
        outlineThin(*layer_, x2Rect_);
    } else {
        layer_->drawBitmap(x1Rect_.left, x1Rect_.top, viewWidth_, viewHeight_, s.workImage);
        outlineThin(*layer_, x1Rect_);
    }
    layer_->endBatch();
}

void ImageViewWindow::repaintImageArea() {
    if (layer_ == nullptr) return;
    layer_->beginBatch(layer_->canvas().rect());
    layer_->erase(QRect(QPoint(area_.left, area_.top), QPoint(area_.right, area_.bottom)));
    paintImage();
    layer_->endBatch();
}

void ImageViewWindow::scrolled(int barId, int action) {
    auto* bar = zentdesk::control<QScrollBar>(*this, barId);
    if (bar == nullptr) return;
    ColorSettings& c = session().colorSettings();
    int* gains[4] = {&c.redGain, &c.greenGain, &c.blueGain, &c.lumaGain};
    int& value = *gains[barId - kRedBar];
    value = scrolledValue(value, scrollRequestOf(action, true), 255 - bar->sliderPosition());
    bar->setSliderPosition(255 - value);
    showGainValue(*this, barId, value);

    session().recolorView(zoomed_ != 0);
    paintImage();
}

void ImageViewWindow::zoomIn() {
    zoomed_ = 1;
    enable(kX1, true);
    enable(kX2, false);
    session().zoomView();
    repaintImageArea();
    setSizeLabel(true);
}

void ImageViewWindow::zoomOut() {
    zoomed_ = 0;
    enable(kX1, false);
    enable(kX2, true);
    repaintImageArea();
    setSizeLabel(false);
}

void ImageViewWindow::apply() {
    const int slot = session().viewImage() % kSlotCount;
    if (session().applyView() && owner_ != nullptr) {
        owner_->repaintRect(owner_->state().frameRects[slot]);
    }
}

void ImageViewWindow::save() {
    const SessionState& s = session().state();
    const bool doubled = zoomed_ != 0;
    const int width = doubled ? 2 * viewWidth_ : viewWidth_;
    const int height = doubled ? 2 * viewHeight_ : viewHeight_;
    const PackedBitmap& from = doubled ? s.displayImage : s.workImage;
    const Seams& seams = owner_->desk().seams;
    if (!saveShownPicture(seams, from, width, height, allocateImage)) {
        seams.messageBox(this, QStringLiteral("Allocate memory fails"), MessageButtons::Ok);
    }
}

void ImageViewWindow::returnToMain() {
    removeHook();
    drawingOff_ = 1;
    hide();
}

void ImageViewWindow::closeEvent(QCloseEvent* event) {
    removeHook();
    drawingOff_ = 1;
    QDialog::closeEvent(event);
}

void ImageViewWindow::reject() {
    returnToMain();
}

void ImageViewWindow::installHook() {
    if (hookInstalled_) return;
    qApp->installEventFilter(this);
    hookInstalled_ = true;
}

void ImageViewWindow::removeHook() {
    if (!hookInstalled_) return;
    qApp->removeEventFilter(this);
    hookInstalled_ = false;
}

void ImageViewWindow::setHint(const char* hint) {
    auto* label = zentdesk::control<QLabel>(*this, kHint);
    if (label == nullptr) return;
    const QString text = hint != nullptr ? QString::fromLatin1(hint) : QString();
    if (label->text() != text) label->setText(text);
}

bool ImageViewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && isActiveWindow()) {
        const QWidget* widget = qobject_cast<QWidget*>(watched);
        const char* hint = nullptr;
        if (widget != nullptr && widget->parentWidget() == this) {
            hint = hintFor(widget->property("controlId").toInt());
        }
        setHint(hint);
    }
    return false;
}

void ImageViewWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const char* hint = nullptr;
    for (size_t i = 0; i < hintAreas_.size(); ++i) {
        const Rect& r = hintAreas_[i].rect;
        if (p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom) {
            hint = kHints[i].text;
            break;
        }
    }
    setHint(hint);
    QDialog::mouseMoveEvent(event);
}

}  // namespace zentdesk
