// update: rewrites the mouse's firmware with the image in ./data.bin beside the program.
#include "local_text.h"
#include "widget.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The window title in data.bin is in the local 8-bit encoding, GB18030.
    updater::setLocal8BitEncoding("GB18030-0");
    // ./data.bin and the library are looked for beside the program.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    auto* window = new updater::Widget;
    window->show();
    const int rc = app.exec();
    delete window;
    return rc;
}
