// The video-mode window: live preview from the camera, colour controls and saving the frame.
#include "video_mode_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <array>
#include <charconv>
#include <cstring>
#include <string>

#include "dialog_template.h"
#include "paint_layer.h"

namespace zentdesk {

using namespace videoid;

namespace {

using K = ControlKind;

constexpr ControlSpec kControls[] = {
    {kStaticId, K::GroupBox, "Frame Size", 362, 7, 123, 40},
    {kStaticId, K::GroupBox, "Color Gain", 362, 98, 123, 170},
    {kStaticId, K::Label, "gamma =", 366, 82, 40, 10},
    {kFrame, K::BlackFrame, "", 7, 7, 347, 311},
    {kStatus, K::SunkenLabel, "Static", 7, 324, 347, 14},
    {kSize160, K::FirstRadioButton, "160 x 120", 370, 18, 100, 10},
    {kSize320, K::RadioButton, "320 x 240", 370, 31, 100, 10},
    {kAutoWhiteBalance, K::CheckBox, "Auto White Balance", 366, 54, 110, 10},
    {kIsGamma, K::CheckBox, "Is Gamma", 366, 68, 60, 10},
    {kGammaEdit, K::Edit, "", 408, 80, 40, 12},
    {kStaticId, K::Label, "0", 366, 110, 8, 9},
    {kRedBar, K::HScrollBar, "", 376, 110, 88, 10},
    {kStaticId, K::Label, "255", 466, 110, 16, 9},
    {kRedLabel, K::CentredLabel, "R", 376, 122, 88, 9},
    {kStaticId, K::Label, "0", 366, 148, 8, 9},
    {kGreenBar, K::HScrollBar, "", 376, 148, 88, 10},
    {kStaticId, K::Label, "255", 466, 148, 16, 9},
    {kGreenLabel, K::CentredLabel, "G", 376, 160, 88, 9},
    {kStaticId, K::Label, "0", 366, 186, 8, 9},
    {kBlueBar, K::HScrollBar, "", 376, 186, 88, 10},
    {kStaticId, K::Label, "255", 466, 186, 16, 9},
    {kBlueLabel, K::CentredLabel, "B", 376, 198, 88, 9},
    {kStaticId, K::Label, "0", 366, 224, 8, 9},
    {kLumaBar, K::HScrollBar, "", 376, 224, 88, 10},
    {kStaticId, K::Label, "255", 466, 224, 16, 9},
    {kLumaLabel, K::CentredLabel, "Y", 376, 236, 88, 9},
    {kPreview, K::PushButton, "Preview", 370, 278, 107, 16},
    {kSave, K::PushButton, "SAVE", 370, 300, 50, 16},
    {kExit, K::DefaultPushButton, "EXIT", 427, 300, 50, 16},
};

// Bar, its label and the label's format, in the order red, green, blue, luminance.
struct BarInfo {
    int bar;
    int label;
    const char* format;
};
constexpr std::array<BarInfo, 4> kBars = {{
    {kRedBar, kRedLabel, "R = %1"},
    {kGreenBar, kGreenLabel, "G = %1"},
    {kBlueBar, kBlueLabel, "B = %1"},
    {kLumaBar, kLumaLabel, "Y = %1"},
}};

// The label of a bar shows its value.
void showBarValue(const QWidget& window, int barId, int value) {
    for (const BarInfo& info : kBars) {
        if (info.bar != barId) continue;
        if (auto* label = zentdesk::control<QLabel>(window, info.label))
            label->setText(QString::fromLatin1(info.format).arg(value));
    }
}

// The whole text is one decimal number (surrounding blanks allowed), as the exchange of a float
// member with its edit box requires.
bool isWholeNumber(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    if (s.empty()) return false;
    const char* first = s.data();
    if (*first == '+') ++first;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(first, s.data() + s.size(), value);
    return error == std::errc() && end == s.data() + s.size();
}

}  // namespace

const DialogTemplate& videoModeTemplate() {
    static const DialogTemplate dialog{136, "Video mode", 492, 348, false, kControls};
    return dialog;
}

ScrollRequest scrollRequestOf(int action, bool upward) {
    using S = QAbstractSlider;
    switch (action) {
        case S::SliderSingleStepSub:
            return upward ? ScrollRequest::LineMore : ScrollRequest::LineLess;
        case S::SliderSingleStepAdd:
            return upward ? ScrollRequest::LineLess : ScrollRequest::LineMore;
        case S::SliderPageStepSub:
            return upward ? ScrollRequest::PageMore : ScrollRequest::PageLess;
        case S::SliderPageStepAdd:
            return upward ? ScrollRequest::PageLess : ScrollRequest::PageMore;
        case S::SliderMove:
            return ScrollRequest::Thumb;
        default:
            return ScrollRequest::Other;
    }
}

int scrolledValue(int value, ScrollRequest request, int thumb) {
    switch (request) {
        case ScrollRequest::LineLess:
            return value - 1 < 0 ? 0 : value - 1;
        case ScrollRequest::LineMore:
            return value + 1 > 255 ? 255 : value + 1;
        case ScrollRequest::PageLess:
            return value < 9 ? 0 : value - 8;
        case ScrollRequest::PageMore:
            return value + 8 < 255 ? value + 8 : 255;
        case ScrollRequest::Thumb:
            return thumb;
        case ScrollRequest::Other:
            break;
    }
    return value;
}

float gammaFromText(const QString& text) {
    // The text is read into a 20-byte buffer: 19 characters and the terminator.
    const std::string s = text.left(19).toStdString().substr(0, 19);
    const char* first = s.data();
    const char* last = s.data() + s.size();
    while (first != last && (*first == ' ' || *first == '\t')) ++first;
    if (first != last && *first == '+') ++first;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(first, last, value);
    (void)end;
    return error == std::errc() ? value : 0.0f;
}

void outlineThin(PaintLayer& layer, const Rect& r) {
    static const QImage black = [] {
        QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
        pixel.fill(Qt::black);
        return pixel;
    }();
    const QRect one(0, 0, 1, 1);
    layer.beginBatch(layer.clipRect());
    layer.stretchImage(black, one, QRect(QPoint(r.left, r.top), QPoint(r.right, r.top)));
    layer.stretchImage(black, one, QRect(QPoint(r.right, r.top), QPoint(r.right, r.bottom)));
    layer.stretchImage(black, one, QRect(QPoint(r.left, r.bottom), QPoint(r.right, r.bottom)));
    layer.stretchImage(black, one, QRect(QPoint(r.left, r.top), QPoint(r.left, r.bottom)));
    layer.endBatch();
}

VideoModeWindow::VideoModeWindow(Desk& desk, QWidget* parent) : QDialog(parent), desk_(desk) {
    buildDialog(*this, videoModeTemplate());
    layer_ = new PaintLayer(this);
    timer_.setInterval(kTimerPeriodMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &VideoModeWindow::timerTick);

    const auto onClick = [this](int id, void (VideoModeWindow::*command)()) {
        if (auto* button = zentdesk::control<QAbstractButton>(*this, id))
            connect(button, &QAbstractButton::clicked, this, command);
    };
    onClick(kPreview, &VideoModeWindow::preview);
    onClick(kSave, &VideoModeWindow::save);
    onClick(kExit, &VideoModeWindow::exitWindow);
    onClick(kAutoWhiteBalance, &VideoModeWindow::autoWhiteBalanceClicked);
    onClick(kIsGamma, &VideoModeWindow::isGammaClicked);
    if (auto* edit = zentdesk::control<QLineEdit>(*this, kGammaEdit))
        connect(edit, &QLineEdit::textChanged, this, &VideoModeWindow::gammaEdited);
    for (const BarInfo& info : kBars) {
        if (auto* bar = zentdesk::control<QScrollBar>(*this, info.bar)) {
            connect(bar, &QAbstractSlider::actionTriggered, this,
                    [this, id = info.bar](int action) { scrolled(id, action); });
        }
    }
    opening();
}

VideoModeWindow::~VideoModeWindow() {
    timer_.stop();
}

QWidget* VideoModeWindow::control(int id) const {
    return controlById(*this, id);
}

void VideoModeWindow::enable(int id, bool on) {
    if (QWidget* w = control(id)) w->setEnabled(on);
}

void VideoModeWindow::opening() {
    // The members go to their controls; the edit's change handler stores the gamma meanwhile.
    zentdesk::control<QCheckBox>(*this, kAutoWhiteBalance)->setChecked(autoWhiteBalance != 0);
    zentdesk::control<QCheckBox>(*this, kIsGamma)->setChecked(gammaOn != 0);
    {
        auto* edit = zentdesk::control<QLineEdit>(*this, kGammaEdit);
        const QSignalBlocker quiet(edit);
        edit->setText(QString::number(gammaValue, 'g', 6));
    }

    previewing_ = 0;
    zentdesk::control<QRadioButton>(*this, kSize320)->setChecked(true);
    desk_.session.openPreview(autoWhiteBalance != 0, gammaOn != 0, gammaValue);
    const ColorSettings& c = desk_.session.colorSettings();

    enable(kGammaEdit, gammaOn != 0);
    manualRed_ = c.redGain;
    manualGreen_ = c.greenGain;
    manualBlue_ = c.blueGain;
    setBar(kRedBar, c.redGain);
    setBar(kGreenBar, c.greenGain);
    setBar(kBlueBar, c.blueGain);
    setBar(kLumaBar, c.lumaGain);
    enableManualGains(autoWhiteBalance == 0);
}

void VideoModeWindow::setBar(int barId, int value) {
    if (auto* bar = zentdesk::control<QScrollBar>(*this, barId)) {
        bar->setRange(0, 255);
        bar->setValue(value);
    }
    showBarValue(*this, barId, value);
}

void VideoModeWindow::enableManualGains(bool on) {
    for (int id : {kRedBar, kGreenBar, kBlueBar, kRedLabel, kGreenLabel, kBlueLabel}) {
        enable(id, on);
    }
}

int VideoModeWindow::checkedSizeIndex() const {
    auto* small = zentdesk::control<QRadioButton>(*this, kSize160);
    return (small != nullptr && small->isChecked()) ? 0 : 1;
}

void VideoModeWindow::setStatus(const QString& text) {
    if (auto* label = zentdesk::control<QLabel>(*this, kStatus)) {
        label->setText(text);
        // On the screen now: the camera call that follows blocks the window.
        if (label->isVisible()) label->repaint();
    }
    if (desk_.seams.shown) desk_.seams.shown(kStatus, text);
}

void VideoModeWindow::layoutPreview(int width, int height) {
    const QRect g = control(kFrame)->geometry();
    const Rect frame{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    layer_->erase(g);
    Rect r;
    r.left = frame.left - 1 + (frame.right - frame.left + 1 - width) / 2;
    if (r.left < 0) r.left = 0;
    r.right = r.left + width + 1;
    r.top = frame.top - 1 + (frame.bottom - frame.top + 1 - height) / 2;
    if (r.top < 0) {
        r.top = 0;
        r.bottom = height + 1;
    } else {
        r.bottom = r.top + height + 1;
    }
    previewRect_ = r;
}

void VideoModeWindow::drawFrame(const PackedBitmap& frame, int width, int height) {
    const Rect& r = previewRect_;
    layer_->beginBatch(layer_->canvas().rect());
    outlineThin(*layer_, r);
    layer_->drawBitmap(r.left + 1, r.top + 1, width, height, frame);
    layer_->endBatch();
}

void VideoModeWindow::startTimer10() {
    timer_.start();
    timerId_ = kTimerId;
}

void VideoModeWindow::stopTimer() {
    timer_.stop();
}

// A failed camera step: idle again; the session then shows the message and an empty status.
void VideoModeWindow::leavePreview() {
    stopTimer();
    previewing_ = 0;
    enable(kSave, true);
    enable(kExit, true);
}

void VideoModeWindow::preview() {
    previewing_ = !previewing_;
    enable(kSave, !previewing_);
    enable(kExit, !previewing_);

    if (!previewing_) {
        stopTimer();
        desk_.session.stopPreview(checkedSizeIndex(), *this);
        return;
    }
    if (desk_.session.startPreview(checkedSizeIndex(), *this) == zentsession::Result::Done) {
        startTimer10();
    }
}

void VideoModeWindow::timerTick() {
    // A message box below runs its own event loop; a tick never runs inside another one.
    if (inTick_ || !previewing_) return;
    inTick_ = true;
    desk_.session.previewTick(checkedSizeIndex(), *this);
    inTick_ = false;
}

// ---- What the session's preview reports --------------------------------------------------

void VideoModeWindow::message(const std::string& text) {
    setStatus(QString::fromStdString(text));
}

void VideoModeWindow::notice(const std::string& text) {
    desk_.seams.messageBox(this, QString::fromStdString(text), MessageButtons::Ok);
}

void VideoModeWindow::failed() {
    leavePreview();
}

void VideoModeWindow::picture(const zentsession::Picture& picture) {
    if (picture.place == zentsession::Place::Preview) {
        drawFrame(picture.bitmap, picture.width, picture.height);
    }
}

void VideoModeWindow::previewResized(int width, int height) {
    layoutPreview(width, height);
}

void VideoModeWindow::scrolled(int barId, int action) {
    ColorSettings& c = desk_.session.colorSettings();
    auto* bar = zentdesk::control<QScrollBar>(*this, barId);
    if (bar == nullptr) return;
    int* value = nullptr;
    switch (barId) {
        case kRedBar:
            value = &manualRed_;
            break;
        case kGreenBar:
            value = &manualGreen_;
            break;
        case kBlueBar:
            value = &manualBlue_;
            break;
        default:
            value = &c.lumaGain;
            break;
    }
    *value = scrolledValue(*value, scrollRequestOf(action), bar->sliderPosition());
    // The bar ends where the value says, whatever the toolkit's own step would have been.
    bar->setSliderPosition(*value);
    showBarValue(*this, barId, *value);
    c.redGain = manualRed_;
    c.greenGain = manualGreen_;
    c.blueGain = manualBlue_;
}

void VideoModeWindow::autoWhiteBalanceClicked() {
    ColorSettings& c = desk_.session.colorSettings();
    autoWhiteBalance = zentdesk::control<QCheckBox>(*this, kAutoWhiteBalance)->isChecked();
    if (autoWhiteBalance) {
        c.awbMode = 2;
        c.redGain = c.greenGain = c.blueGain = 36;
    } else {
        c.awbMode = 0;
        c.redGain = manualRed_;
        c.greenGain = manualGreen_;
        c.blueGain = manualBlue_;
    }
    enableManualGains(autoWhiteBalance == 0);
}

void VideoModeWindow::isGammaClicked() {
    const bool on = zentdesk::control<QCheckBox>(*this, kIsGamma)->isChecked();
    desk_.session.colorSettings().gamma2On = on ? 1 : 0;
    enable(kGammaEdit, on);
}

void VideoModeWindow::gammaEdited() {
    const auto* edit = zentdesk::control<QLineEdit>(*this, kGammaEdit);
    desk_.session.colorSettings().gamma2 = gammaFromText(edit->text());
}

void VideoModeWindow::save() {
    const PackedBitmap& from = desk_.session.state().displayImage;
    if (!from) return;
    saveShownPicture(desk_.seams, from, previewWidth(), previewHeight(), allocateImage);
}

void VideoModeWindow::exitWindow() {
    desk_.session.setPaintEnabled(true);
    autoWhiteBalance = zentdesk::control<QCheckBox>(*this, kAutoWhiteBalance)->isChecked();
    gammaOn = zentdesk::control<QCheckBox>(*this, kIsGamma)->isChecked();
    const QString text = zentdesk::control<QLineEdit>(*this, kGammaEdit)->text();
    if (!isWholeNumber(text)) {
        desk_.seams.messageBox(this, QStringLiteral("Please enter a number."), MessageButtons::Ok);
        return;
    }
    gammaValue = gammaFromText(text);
    accept();
}

void VideoModeWindow::reject() {
    // No close box; Escape ends the window only while it is idle.
    if (previewing_) return;
    QDialog::reject();
}

}  // namespace zentdesk
