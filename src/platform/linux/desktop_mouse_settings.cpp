#include "platform/linux/desktop_mouse_settings.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <limits>

namespace {

// The desktop tools answer in milliseconds; a hung one must not freeze the window for long.
constexpr int kToolTimeoutMs = 3000;

// Runs a tool to its end; true when it exited normally with status 0. Its standard output
// goes to `output` when given.
bool runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(kToolTimeoutMs))
        return false;
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(kToolTimeoutMs);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput().trimmed();
    return true;
}

bool isKdeSession() {
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return desktops.contains(QStringLiteral("KDE"), Qt::CaseInsensitive);
}

QString kdeConfigWriter() {
    for (const char* name : {"kwriteconfig6", "kwriteconfig5"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

bool writeKdeSetting(const QString& writer, const QString& file, const QString& group,
                     const QString& key, unsigned value) {
    return runTool(writer, {QStringLiteral("--file"), file, QStringLiteral("--group"), group,
                            QStringLiteral("--key"), key, QString::number(value)});
}

// GNOME's key is a signed 32-bit integer.
bool writeGnomeInt(const QString& schema, const QString& key, unsigned value) {
    if (value > static_cast<unsigned>(std::numeric_limits<int>::max()))
        return false;
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty())
        return false;
    QByteArray answer;
    // Exits non-zero when the schema or key is not installed.
    if (!runTool(gsettings, {QStringLiteral("writable"), schema, key}, &answer) || answer != "true")
        return false;
    const QByteArray text = QByteArray::number(value);
    if (!runTool(gsettings, {QStringLiteral("set"), schema, key, QString::fromLatin1(text)}))
        return false;
    return runTool(gsettings, {QStringLiteral("get"), schema, key}, &answer) && answer == text;
}

} // namespace

bool DesktopMouseSettings::setWheelScrollLines(unsigned lines) {
    if (!isKdeSession())
        return false;
    const QString writer = kdeConfigWriter();
    return !writer.isEmpty() &&
           writeKdeSetting(writer, QStringLiteral("kcminputrc"), QStringLiteral("Mouse"),
                           QStringLiteral("WheelScrollLines"), lines);
}

bool DesktopMouseSettings::setDoubleClickTime(unsigned milliseconds) {
    if (isKdeSession()) {
        const QString writer = kdeConfigWriter();
        if (!writer.isEmpty())
            return writeKdeSetting(writer, QStringLiteral("kdeglobals"), QStringLiteral("KDE"),
                                   QStringLiteral("DoubleClickInterval"), milliseconds);
    }
    return writeGnomeInt(QStringLiteral("org.gnome.desktop.peripherals.mouse"),
                         QStringLiteral("double-click"), milliseconds);
}
