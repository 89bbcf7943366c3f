#include "video_mode_window.h"

namespace zentdesk {

VideoModeWindow::VideoModeWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Video mode"));
}

}  // namespace zentdesk
