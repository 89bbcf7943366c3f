// ZENTDESK: runs the main window modally and returns when it is closed.
#include <QApplication>

#include "main_window.h"

extern "C" ZENTDESK_API void ZENTDESK(void) {
    // A host without an application object of its own still gets one for the window.
    static int argc = 1;
    static char name[] = "zentdesk";
    static char* argv[] = {name, nullptr};
    QApplication* own = QApplication::instance() ? nullptr : new QApplication(argc, argv);
    {
        zentdesk::Desk desk;
        zentdesk::MainWindow window(desk, nullptr);
        window.exec();
    }
    delete own;
}
