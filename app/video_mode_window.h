// The live preview window (dialog template 136), run modally from the main window.
#pragma once

#include <QDialog>

namespace zentdesk {

class VideoModeWindow : public QDialog {
    Q_OBJECT
  public:
    explicit VideoModeWindow(QWidget* parent = nullptr);
};

}  // namespace zentdesk
