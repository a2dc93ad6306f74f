// mouse-suite-ctl: reads and sets the mouse from a shell, a script or a desktop shortcut.
// The configurator, when it runs, owns the mouse: the request goes to it over the per-user
// message channel and it carries it out as a click would. Otherwise this program runs the
// same pages itself, headless, with the same handshake and files.
#include "app/command_runner.h"
#include "app/configurator_root.h"
#include "app/user_folder.h"
#include "app/widget.h"
#include "control/command.h"
#include "platform/capture/copydata_message.h"
#include "platform/capture/message_channel.h"
#include "platform/cli/command_line.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QQuickWindow>

#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

// How long a running configurator may take to answer: it waits for the mouse
// (CommandRunner::kMouseWaitMs) and for what it sent (kSendWaitMs).
constexpr int kAnswerMs = CommandRunner::kMouseWaitMs + CommandRunner::kSendWaitMs + 5000;
constexpr int kConnectMs = 1000;

const cli::Program kProgram{
    QStringLiteral("mouse-suite-ctl"),
    QStringLiteral("Reads and sets the USB gaming mouse 04d9:a26b from the command line: "
                   "profiles, DPI stages,\nreport rate, lighting, axis sensitivity, buttons "
                   "and macros."),
    QStringLiteral(MOUSE_SUITE_VERSION),
    {{QStringLiteral("--json"), QStringLiteral("Print status and the lists as one JSON object.")},
     {QStringLiteral("--yes"), QStringLiteral("factory-reset without asking first.")},
     {QStringLiteral("--level N"),
      QStringLiteral("lighting: the effect's level, 1 (left) to 5, as its slider.")}},
    QStringLiteral(
        "When the configurator runs, the command goes to it and it does what the click would "
        "do: the\npage shows the change, the profile files are written and the mouse is "
        "sent it. Otherwise\nmouse-suite-ctl opens the mouse itself, without a window, and "
        "writes the same files.\nCommands from several mouse-suite-ctl at once take turns on "
        "the mouse.\n\n"
        "Profiles, DPI stages and buttons are numbered from 1. DPI values: 250, 500, 750, "
        "1000, 1250,\n1500, 1750, 2000, 2500, 3000, 3500, 4000; the DPI button steps through "
        "stages 1 to 4 only.\nAxis sensitivity: 20, 40, ... 200. FUNCTION is a name of the "
        "key menu (\"button functions\"\nlists them). Every command but the lists, the "
        "exports and \"button functions\" needs the\nmouse."),
    {{QStringLiteral("EXAMPLES"),
      QStringLiteral("  mouse-suite-ctl profile switch 2\n  mouse-suite-ctl dpi set 1 750\n"
                     "  mouse-suite-ctl lighting breath --level 3\n"
                     "  mouse-suite-ctl button 4 volume-up\n"
                     "  mouse-suite-ctl --json status")},
     {QStringLiteral("EXIT STATUS"),
      QStringLiteral("0 when done; 1 when the mouse is not there or did not take what was "
                     "sent (one sentence\non standard error says which), or a file could not "
                     "be read or written; 2 for a\ncommand or value that is not right.")},
     {QStringLiteral("FILES"), QStringLiteral("The configurator's: modules/ beside the program, or "
                                              "~/.config/mouse-suite/modules.")}},
    QStringLiteral("mouse-suite-ctl"),
    QStringLiteral("usage: ") +
        ctl::synopsis().replace(QStringLiteral("\n"), QStringLiteral("\n       "))};

void print(std::FILE* to, const QString& text) {
    if (text.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
    std::fflush(to);
}

int report(const ctl::Outcome& o) {
    print(stdout, o.out);
    if (!o.err.isEmpty())
        print(stderr, QStringLiteral("mouse-suite-ctl: %1\n").arg(o.err));
    return o.exit;
}

// Qt's own notes (no tray on an offscreen platform, …) would bury the one sentence.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg ||
        qEnvironmentVariableIsSet("MOUSE_SUITE_CTL_DEBUG"))
        print(stderr, text + '\n');
}

// Without the configurator: the same pages, the same files, no window.
int runHeadless(int argc, char** argv, const ctl::Command& command) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));
    qInstallMessageHandler(quietMessages);
    QCoreApplication::setApplicationName(QStringLiteral("configurator"));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    const QString programFolder = QCoreApplication::applicationDirPath();
    const userfolder::Choice folder = userfolder::choose(programFolder);
    if (!folder.problem.isEmpty())
        print(stderr, QStringLiteral("mouse-suite-ctl: %1\n").arg(folder.problem));
    QDir::setCurrent(folder.folder);

    int rc = 1;
    {
        ConfiguratorRoot root(QStringLiteral("./modules"), programFolder);
        CommandRunner runner(root);
        bool done = false;
        // A command that needs no mouse may be done before the event loop runs.
        runner.run(command, [&rc, &done](const ctl::Outcome& o) {
            rc = report(o);
            done = true;
            QCoreApplication::exit(rc);
        });
        if (!done && CommandRunner::needsMouse(command))
            root.window().checkDevice();
        if (!done)
            app.exec();
    } // what is still queued reaches the mouse before the link goes
    return rc;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        print(stdout, cli::helpText(kProgram));
        return 0;
    }
    if (args.contains(QStringLiteral("--version"))) {
        print(stdout, cli::versionText(kProgram));
        return 0;
    }
    if (args.contains(QStringLiteral("--manpage"))) {
        print(stdout, cli::manPage(kProgram));
        return 0;
    }
    const ctl::Parsed parsed = ctl::parse(args, QDir::currentPath());
    if (!parsed.command) {
        print(stderr, QStringLiteral("mouse-suite-ctl: %1\n").arg(parsed.problem));
        return 2;
    }
    ctl::Command command = *parsed.command;
    if (command.verb == ctl::Verb::ButtonFunctions)
        return report(ctl::buttonFunctions(command.json));

    if (command.verb == ctl::Verb::FactoryReset && !command.yes) {
        if (!isatty(STDIN_FILENO)) {
            print(stderr, QStringLiteral("mouse-suite-ctl: factory-reset asks first; give --yes "
                                         "to reset without asking\n"));
            return 2;
        }
        print(stderr, QStringLiteral("Reset the current profile to the factory settings? [y/N] "));
        std::string line;
        std::getline(std::cin, line);
        if (line != "y" && line != "Y" && line != "yes") {
            print(stderr, QStringLiteral("mouse-suite-ctl: nothing was reset\n"));
            return 1;
        }
        command.yes = true;
        args << QStringLiteral("--yes");
    }

    // The running configurator owns the mouse.
    QJsonArray list;
    for (const QString& a : args)
        list.append(a);
    const QByteArray request =
        QJsonDocument(QJsonObject{{QStringLiteral("args"), list},
                                  {QStringLiteral("cwd"), QDir::currentPath()}})
            .toJson(QJsonDocument::Compact);
    const msgchannel::Answer answer =
        msgchannel::request(MessageChannel::defaultServerName(), msgchannel::kControlTag, request,
                            kConnectMs, kAnswerMs);
    if (answer.reached) {
        if (!answer.data)
            return report({1, {}, QStringLiteral("the running configurator did not answer")});
        return report(ctl::outcomeFromJson(QJsonDocument::fromJson(*answer.data).object()));
    }
    return runHeadless(argc, argv, command);
}
