#include "image_view_window.h"

#include "main_window.h"

namespace zentdesk {

ImageViewWindow::ImageViewWindow(MainWindow* owner) : QDialog(owner), owner_(owner) {}

void ImageViewWindow::openImage(int imageNumber) {
    (void)imageNumber;
    (void)owner_;
}

}  // namespace zentdesk
