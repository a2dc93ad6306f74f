// update: rewrites the mouse's firmware with the image in ./data.bin beside the program.
#include "platform/cli/command_line.h"
#include "update/local_text.h"
#include "update/widget.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>

namespace {

const cli::Program kProgram{
    QStringLiteral("update"),
    QStringLiteral("Writes the firmware in data.bin, beside this program, into the USB gaming "
                   "mouse\n04d9:a26b. Plug the mouse in and press Update."),
    QStringLiteral(MOUSE_SUITE_VERSION),
    {},
    QStringLiteral("It finds the mouse in normal or boot-loader mode, switches it into its "
                   "boot loader, then\nerases, programs, verifies and starts the new "
                   "firmware. Do not unplug the mouse meanwhile.\nThe configurator starts it "
                   "from its help menu."),
    {{QStringLiteral("FILES"), QStringLiteral("data.bin and libISPDLL.so beside the program.")},
     {QStringLiteral("ENVIRONMENT"),
      QStringLiteral("QT_LOGGING_RULES=\"update.debug=true\" adds the diagnostic lines.")}}};

} // namespace

int main(int argc, char** argv) {
    if (const int rc = cli::handle(argc, argv, kProgram); rc >= 0)
        return rc;
    // The terminal gets sentences; the diagnostic lines come with
    // QT_LOGGING_RULES="update.debug=true".
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(
            QStringLiteral("update.debug=false\nupdate.report.info=true"));
    qSetMessagePattern(QStringLiteral("update: %{message}"));

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
