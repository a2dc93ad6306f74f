#include "server/serve_command.h"

#include "client/vmouse_client.h"
#include "server/socket_server.h"
#include "server/traffic_log.h"
#include "server/virtual_device.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace vmouse {
namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

// Ends the event loop on SIGINT/SIGTERM without doing Qt work inside the handler.
void quitOnSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { qApp->quit(); });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

} // namespace

int runServe(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Holds one emulated mouse and serves it on a socket.");
    parser.addHelpOption();
    parser.addPositionalArgument("serve", "");
    parser.addOption({"socket", "Socket path to listen on.", "path"});
    parser.addOption({"log", "JSON-lines traffic log.", "file"});
    parser.addOption({"encrypted", "Encipher command reports and answers."});
    parser.addOption({"code", "Secrecy code, six characters.", "code", "735190"});
    parser.addOption({"without-notify", "Expose only the command interface."});
    parser.addOption({"fw-version", "Firmware version a1.a2 in hex (e.g. 1b.05).", "version"});
    parser.addOption({"boot-loader", "Start in boot-loader mode (04d9:8022)."});
    parser.addOption({"restart-delay",
                      "Milliseconds the device is away while it restarts into or out of its "
                      "boot loader.",
                      "ms", "500"});
    parser.addOption({"no-access", "List the interfaces but refuse to open them (EACCES), as "
                                   "device nodes the user may not read."});
    parser.addOption({"answers",
                      "How answers are framed: \"design\" (the command code in a0, values, "
                      "nothing else), \"framed\" (also a checksum in a7 and size marks at "
                      "a3 for the keyboard-family blocks) or \"uncoded\" (a0 always 0).",
                      "kind", "design"});
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "virtual-mouse serve: %s\n%s", qPrintable(parser.errorText()), kUsage);
        return 2;
    }
    if (parser.isSet("help")) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }

    if (!parser.isSet("socket")) {
        std::fprintf(stderr, "virtual-mouse serve: --socket PATH is required\n");
        return 2;
    }
    const QString code = parser.value("code");
    if (code.size() != 6) {
        std::fprintf(stderr, "virtual-mouse serve: --code takes six characters\n");
        return 2;
    }

    TrafficLog log(parser.value("log"));
    if (!log.isOpen()) {
        std::fprintf(stderr, "virtual-mouse serve: cannot write the log %s: %s\n",
                     qPrintable(parser.value("log")), qPrintable(log.errorString()));
        return 1;
    }
    VirtualDevice::Options options;
    options.encrypted = parser.isSet("encrypted");
    options.code = code.toStdString();
    options.withNotify = !parser.isSet("without-notify");
    if (parser.isSet("fw-version")) {
        const QStringList parts = parser.value("fw-version").split('.');
        bool ok1 = false, ok2 = false;
        const uint a1 = parts.size() == 2 ? parts[0].toUInt(&ok1, 16) : 0;
        const uint a2 = parts.size() == 2 ? parts[1].toUInt(&ok2, 16) : 0;
        if (!ok1 || !ok2 || a1 > 0xff || a2 > 0xff) {
            std::fprintf(stderr, "virtual-mouse serve: --fw-version takes A1.A2 in hex\n");
            return 2;
        }
        options.firmwareVersion = {static_cast<std::uint8_t>(a1), static_cast<std::uint8_t>(a2)};
    }
    const QString answers = parser.value("answers");
    if (answers == QLatin1String("framed"))
        options.answers = Answers::Framed;
    else if (answers == QLatin1String("uncoded"))
        options.answers = Answers::Uncoded;
    else if (answers != QLatin1String("design")) {
        std::fprintf(stderr, "virtual-mouse serve: --answers takes design, framed or uncoded\n");
        return 2;
    }
    options.startInBootLoader = parser.isSet("boot-loader");
    options.noAccess = parser.isSet("no-access");
    bool delayOk = false;
    options.restartDelayMs = parser.value("restart-delay").toInt(&delayOk);
    if (!delayOk || options.restartDelayMs < 0) {
        std::fprintf(stderr, "virtual-mouse serve: --restart-delay takes milliseconds\n");
        return 2;
    }
    VirtualDevice device(options, &log);
    SocketServer server(&device);
    QString error;
    const QString socketPath = parser.value("socket");
    if (!server.listen(socketPath, &error)) {
        std::fprintf(stderr, "virtual-mouse serve: cannot listen on %s: %s\n",
                     qPrintable(socketPath), qPrintable(error));
        return 1;
    }
    quitOnSignals();
    std::printf("ready\n");
    std::fflush(stdout);
    const int rc = app.exec();
    QLocalServer::removeServer(socketPath);
    return rc;
}

int runCtl(const QStringList& args) {
    const auto usage = [] {
        std::fprintf(stderr, "usage: virtual-mouse ctl --socket PATH "
                             "plug|unplug|state|dpi-button STAGE|notify HEX…|fault KIND [COUNT]|"
                             "clear-faults\n");
        return 2;
    };
    QStringList rest = args;
    const qsizetype at = rest.indexOf("--socket");
    if (at < 0 || at + 1 >= rest.size())
        return usage();
    client::setSocketPath(rest.at(at + 1).toStdString());
    rest.remove(at, 2);
    if (rest.isEmpty())
        return usage();

    const QString command = rest.takeFirst();
    bool ok = false;
    if (command == "plug" && rest.isEmpty()) {
        ok = client::plug();
    } else if (command == "unplug" && rest.isEmpty()) {
        ok = client::unplug();
    } else if (command == "clear-faults" && rest.isEmpty()) {
        ok = client::clearFaults();
    } else if (command == "state" && rest.isEmpty()) {
        std::string json;
        ok = client::state(json);
        if (ok)
            std::printf("%s\n", json.c_str());
    } else if (command == "dpi-button" && rest.size() == 1) {
        bool number = false;
        const int stage = rest.first().toInt(&number);
        if (!number || stage < 1 || stage > 8) {
            std::fprintf(stderr, "virtual-mouse ctl: dpi-button takes a stage from 1 to 8\n");
            return 2;
        }
        ok = client::dpiButton(stage);
    } else if (command == "notify" && !rest.isEmpty() && rest.size() <= 4) {
        // Any notification report, e.g. "notify 06 08 00 03".
        std::vector<std::uint8_t> report;
        for (const QString& b : rest) {
            bool number = false;
            const uint v = b.toUInt(&number, 16);
            if (!number || v > 0xff)
                return usage();
            report.push_back(static_cast<std::uint8_t>(v));
        }
        ok = client::notify(report);
    } else if (command == "fault" && (rest.size() == 1 || rest.size() == 2)) {
        bool number = true;
        const int count = rest.size() == 2 ? rest.at(1).toInt(&number) : 1;
        if (!number || count < 1)
            return usage();
        ok = client::fault(rest.first().toStdString(), count);
        std::string json;
        if (!ok && client::state(json)) {
            // The daemon answered, so it is the kind it does not know: name the ones it does.
            const QJsonObject faults = QJsonDocument::fromJson(QByteArray::fromStdString(json))
                                           .object()["faults"]
                                           .toObject();
            std::fprintf(stderr, "virtual-mouse ctl: unknown fault kind \"%s\"; known kinds: %s\n",
                         qPrintable(rest.first()), qPrintable(faults.keys().join(", ")));
            return 2;
        }
    } else {
        return usage();
    }
    if (!ok) {
        std::fprintf(stderr, "virtual-mouse ctl: %s failed\n", qPrintable(command));
        return 1;
    }
    return 0;
}

} // namespace vmouse
