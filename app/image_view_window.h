// The image view window (dialog template 135): one downloaded image at full or double size.
// Its object lives as long as the main window; its window is made on first use.
#pragma once

#include <QDialog>

namespace zentdesk {

class MainWindow;

class ImageViewWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ImageViewWindow(MainWindow* owner);

    // Opens image `imageNumber` (double-click on a thumbnail): creates the window on first use,
    // shows it, loads its color controls and shows the image.
    void openImage(int imageNumber);

  private:
    MainWindow* owner_;
};

}  // namespace zentdesk
