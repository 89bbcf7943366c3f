// Dialog templates: a table of controls per window (id, kind, text, rectangle in dialog units),
// laid out on a QDialog at the 8-point dialog base units. Controls are found by their id.
#pragma once

#include <QRect>
#include <span>

class QDialog;
class QWidget;

namespace zentdesk {

inline constexpr int kStaticId = -1;  // decoration without an id of its own

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    BlackFrame,        // thin black outline, transparent inside
    SunkenBlackFrame,  // black area with a sunken edge
    Label,             // left-aligned text
    CentredLabel,
    SunkenLabel,  // left-aligned text in a sunken box
    SunkenCentredLabel,
    GroupBox,
    ProgressBar,
    Edit,
    NumberEdit,
    UpDown,  // arrows for the edit box created just before it (its buddy)
    CheckBox,
    RadioButton,
    FirstRadioButton,  // starts a new group of radio buttons
    HScrollBar,
    VScrollBar,
};

struct ControlSpec {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;  // dialog units
};

struct DialogTemplate {
    int id;
    const char* title;
    int width, height;  // dialog units
    bool closeBox;
    std::span<const ControlSpec> controls;
};

// Dialog units to pixels: 1 horizontal unit = 1.5 px, 1 vertical unit = 1.625 px, each edge
// rounded on its own as the dialog manager does.
QRect dialogRect(int x, int y, int width, int height);

// Creates the template's controls on `dialog`, sizes it and sets its title.
void buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate);

// The control with the given id, or nullptr.
QWidget* controlById(const QWidget& dialog, int id);

template <class T>
T* control(const QWidget& dialog, int id) {
    return qobject_cast<T*>(controlById(dialog, id));
}

}  // namespace zentdesk
