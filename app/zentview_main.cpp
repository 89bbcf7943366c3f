// zentview: starts the application library and ends when its main window is closed.
#include <QApplication>
#include <QStyleFactory>

#include "zentdesk.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The three-dimensional control look.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) {
        QApplication::setStyle(style);
    }
    ZENTDESK();
    return 0;
}
