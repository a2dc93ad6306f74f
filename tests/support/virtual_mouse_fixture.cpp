#include "support/virtual_mouse_fixture.h"

#include <QDir>
#include <QJsonDocument>
#include <QMutex>

namespace testsupport {

QString VirtualMouse::binary() {
    return qEnvironmentVariable("VMOUSE_BIN", QStringLiteral("virtual-mouse"));
}

VirtualMouse::VirtualMouse(const QStringList& extraArgs, const QString& socket)
    : socket_(socket.isEmpty() ? dir_.filePath("vmouse.sock") : socket) {
    // The daemon's complaints (and a sanitizer's) show in the test's output.
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(binary(),
                   QStringList{"serve", "--socket", socket_, "--log", logPath()} + extraArgs);
    // The daemon says "ready" once it listens.
    QByteArray seen;
    while (!seen.contains("ready\n") && process_.waitForReadyRead(10000))
        seen += process_.readAllStandardOutput();
    started_ = seen.contains("ready\n");
}

VirtualMouse::~VirtualMouse() {
    process_.terminate();
    if (!process_.waitForFinished(5000))
        process_.kill(), process_.waitForFinished(5000);
}

int VirtualMouse::ctl(const QStringList& args, QString* out) const {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(binary(), QStringList{"ctl", "--socket", socket_} + args);
    if (!p.waitForFinished(10000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitCode();
}

QJsonObject VirtualMouse::state() const {
    QString out;
    return ctl({"state"}, &out) == 0 ? QJsonDocument::fromJson(out.toUtf8()).object()
                                     : QJsonObject();
}

std::vector<QJsonObject> VirtualMouse::log(const QString& kind) const {
    std::vector<QJsonObject> records;
    QFile f(logPath());
    if (!f.open(QIODevice::ReadOnly) || !f.seek(logOffset_))
        return records;
    while (!f.atEnd()) {
        const QJsonObject r = QJsonDocument::fromJson(f.readLine()).object();
        if (!r.isEmpty() && (kind.isEmpty() || r.value("kind").toString() == kind))
            records.push_back(r);
    }
    return records;
}

void VirtualMouse::clearLog() {
    logOffset_ = QFile(logPath()).size();
}

void copyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& fi : QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = QDir(to).filePath(fi.fileName());
        if (fi.isDir())
            copyTree(fi.filePath(), target);
        else
            QFile::copy(fi.filePath(), target);
    }
}

namespace {

QMutex linesMutex;
QStringList lines;
QtMessageHandler previous = nullptr;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        QMutexLocker lock(&linesMutex);
        lines << message;
    }
    // Debug lines are the tests' to read; warnings still reach the output.
    if (previous && type != QtDebugMsg)
        previous(type, context, message);
}

} // namespace

void DebugLines::install() {
    if (!previous)
        previous = qInstallMessageHandler(collect);
}

QStringList DebugLines::take() {
    QMutexLocker lock(&linesMutex);
    return std::exchange(lines, {});
}

bool DebugLines::contains(const QString& line) {
    QMutexLocker lock(&linesMutex);
    return lines.contains(line);
}

} // namespace testsupport
