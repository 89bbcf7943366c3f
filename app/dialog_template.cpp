#include "dialog_template.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "up_down.h"

namespace zentdesk {
namespace {

constexpr const char* kIdProperty = "controlId";

// MulDiv: a * b / c rounded half away from zero.
int mulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c));
}

int toPixelsX(int units) {
    return mulDiv(units, 6, 4);
}  // base unit 6 px per 4 units
int toPixelsY(int units) {
    return mulDiv(units, 13, 8);
}  // base unit 13 px per 8 units

QFrame* makeFrame(QWidget* parent, bool sunken) {
    auto* frame = new QFrame(parent);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    frame->setPalette(palette);
    if (sunken) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(1);
        palette.setColor(QPalette::Window, Qt::black);
        frame->setPalette(palette);
        frame->setAutoFillBackground(true);
    } else {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
    }
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    return frame;
}

QLabel* makeLabel(QWidget* parent, const char* text, bool centred, bool sunken) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    if (sunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QWidget* makeControl(QDialog& dialog, const ControlSpec& spec, QWidget* previous) {
    const QString text = QString::fromLatin1(spec.text ? spec.text : "");
    switch (spec.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(text, &dialog);
            button->setAutoDefault(false);
            button->setDefault(spec.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::BlackFrame:
            return makeFrame(&dialog, false);
        case ControlKind::SunkenBlackFrame:
            return makeFrame(&dialog, true);
        case ControlKind::Label:
            return makeLabel(&dialog, spec.text, false, false);
        case ControlKind::CentredLabel:
            return makeLabel(&dialog, spec.text, true, false);
        case ControlKind::SunkenLabel:
            return makeLabel(&dialog, spec.text, false, true);
        case ControlKind::SunkenCentredLabel:
            return makeLabel(&dialog, spec.text, true, true);
        case ControlKind::GroupBox: {
            auto* group = new QGroupBox(text, &dialog);
            group->setAttribute(Qt::WA_TransparentForMouseEvents);
            return group;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(&dialog);
            bar->setTextVisible(false);
            return bar;
        }
        case ControlKind::Edit:
            return new QLineEdit(text, &dialog);
        case ControlKind::NumberEdit: {
            auto* edit = new QLineEdit(text, &dialog);
            edit->setValidator(new QIntValidator(0, 999999, edit));
            return edit;
        }
        case ControlKind::UpDown: {
            auto* upDown = new UpDown(&dialog);
            upDown->setBuddy(qobject_cast<QLineEdit*>(previous));
            return upDown;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, &dialog);
        case ControlKind::RadioButton:
        case ControlKind::FirstRadioButton:
            return new QRadioButton(text, &dialog);
        case ControlKind::HScrollBar:
            return new QScrollBar(Qt::Horizontal, &dialog);
        case ControlKind::VScrollBar:
            return new QScrollBar(Qt::Vertical, &dialog);
    }
    return nullptr;
}

}  // namespace

QRect dialogRect(int x, int y, int width, int height) {
    const int left = toPixelsX(x);
    const int top = toPixelsY(y);
    const int right = toPixelsX(x + width);
    const int bottom = toPixelsY(y + height);
    return QRect(left, top, right - left, bottom - top);
}

void buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate) {
    dialog.setWindowTitle(QString::fromLatin1(dialogTemplate.title));
    const QRect client = dialogRect(0, 0, dialogTemplate.width, dialogTemplate.height);
    dialog.setFixedSize(client.size());
    // The templates are laid out for an 8-point sans-serif face: 11 pixels at 96 dpi.
    QFont font = dialog.font();
    font.setPixelSize(11);
    dialog.setFont(font);
    Qt::WindowFlags flags = Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint;
    if (dialogTemplate.closeBox) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);

    QWidget* previous = nullptr;
    QButtonGroup* radioGroup = nullptr;
    for (const ControlSpec& spec : dialogTemplate.controls) {
        QWidget* widget = makeControl(dialog, spec, previous);
        if (widget == nullptr) continue;
        widget->setGeometry(dialogRect(spec.x, spec.y, spec.width, spec.height));
        widget->setProperty(kIdProperty, spec.id);
        if (spec.id != kStaticId) widget->setObjectName(QStringLiteral("control%1").arg(spec.id));
        // Radio buttons from a first one on form one exclusive group, as the dialog manager
        // groups them.
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (spec.kind == ControlKind::FirstRadioButton || radioGroup == nullptr) {
                radioGroup = new QButtonGroup(&dialog);
            }
            radioGroup->addButton(radio);
        }
        previous = widget;
    }
}

QWidget* controlById(const QWidget& dialog, int id) {
    if (id == kStaticId) return nullptr;
    return dialog.findChild<QWidget*>(QStringLiteral("control%1").arg(id),
                                      Qt::FindDirectChildrenOnly);
}

}  // namespace zentdesk
