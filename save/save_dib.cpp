// SaveDIB: the file name comes from a file dialog (or an installed chooser), the picture from the
// caller's handle, which is locked for the call only.
#include <QApplication>
#include <QFileDialog>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "save.h"

namespace savedib {
namespace {

struct Chooser {
    SaveDIBChooser choose = nullptr;
    void* context = nullptr;
};

Chooser& chooser() {
    static Chooser installed;
    return installed;
}

// The file name, or empty when none was chosen.
std::string chooseFileName() {
    const Chooser& c = chooser();
    if (c.choose != nullptr) {
        constexpr int kCapacity = 4096;
        std::vector<char> path(kCapacity + 1, '\0');
        if (c.choose(path.data(), kCapacity, c.context) == 0) return {};
        path[kCapacity] = '\0';  // a chooser that filled the buffer still ends in NUL here
        return std::string(path.data());
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return {};
    const QString name = QFileDialog::getSaveFileName(
        QApplication::activeWindow(), QStringLiteral("Save the picture"), QString(),
        QStringLiteral("Bitmap files (*.bmp);;PNG files (*.png)"));
    return name.toStdString();
}

// Writes the locked block to a chosen file.
int saveLocked(const void* block, size_t bytes) {
    const std::optional<BitmapView> view = viewBitmap(block, bytes);
    if (!view) return 0;
    const std::string path = chooseFileName();
    if (path.empty()) return 0;
    std::vector<BYTE> file;
    const bool encoded = wantsPng(path) ? encodePng(*view, file) : encodeBmp(*view, file);
    return encoded && replaceFile(path, file) ? 1 : 0;
}

}  // namespace
}  // namespace savedib

extern "C" {

int SaveDIB(HGLOBAL bitmap) {
    const size_t bytes = GlobalSize(bitmap);
    if (bytes == 0) return 0;
    const void* block = GlobalLock(bitmap);
    if (block == nullptr) return 0;
    const int result = savedib::saveLocked(block, bytes);
    GlobalUnlock(bitmap);
    return result;
}

void SetSaveDIBChooser(SaveDIBChooser choose, void* context) {
    savedib::chooser() = savedib::Chooser{choose, context};
}

}  // extern "C"
