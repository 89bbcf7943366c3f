// The real platform services behind the seams: Qt message boxes and modal loops, the desktop's
// default handler for a file, the folder this library was loaded from, and saving a picture
// shown in a window.
#include <dlfcn.h>

#include <QDesktopServices>
#include <QDialog>
#include <QMessageBox>
#include <QUrl>
#include <filesystem>

#include "zentdesk.h"

#ifdef ZENTDESK_HAVE_SAVE
#include "save.h"
#endif

namespace zentdesk {
namespace {

MessageAnswer showMessageBox(QWidget* parent, const QString& text, MessageButtons buttons) {
    const QString caption = QStringLiteral("Duovue");
    if (buttons == MessageButtons::YesNo) {
        const auto answer =
            QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No);
        return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
    return MessageAnswer::Ok;
}

std::string libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ZENTDESK), &info) == 0 || info.dli_fname == nullptr) {
        return "./";
    }
    std::error_code error;
    auto path = std::filesystem::canonical(info.dli_fname, error);
    if (error) path = std::filesystem::absolute(info.dli_fname, error);
    std::string folder = path.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

bool saveShownPicture(const Seams& seams, const PackedBitmap& from, int width, int height,
                      const PackedBitmap::Allocator& allocator) {
    const PackedBitmap copy = Session::snapshot(from, width, height, allocator);
    if (!copy) return false;
    if (seams.saveDib) seams.saveDib(copy.handle());
    return true;
}

Seams defaultSeams() {
    Seams s;
    s.messageBox = showMessageBox;
    s.runModal = [](QDialog& dialog) { return dialog.exec(); };
    s.openFile = [](const std::string& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
#ifdef ZENTDESK_HAVE_SAVE
    s.saveDib = [](HGLOBAL bitmap) { return SaveDIB(bitmap); };
#else
    s.saveDib = [](HGLOBAL) { return 0; };
#endif
    s.moduleFolder = libraryFolder;
    return s;
}

}  // namespace zentdesk
