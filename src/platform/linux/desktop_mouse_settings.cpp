#include "platform/linux/desktop_mouse_settings.h"

#include "platform/linux/kwin_pointers.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
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

// GNOME and the desktops built on its settings daemon (ubuntu:GNOME, Budgie:GNOME).
bool isGnomeSession() {
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return desktops.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
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

const QString kGnomeMouse = QStringLiteral("org.gnome.desktop.peripherals.mouse");

// A GNOME key's value as gsettings prints it; nothing when the schema or key is missing.
std::optional<QByteArray> readGnome(const QString& key) {
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    QByteArray answer;
    if (gsettings.isEmpty() ||
        !runTool(gsettings, {QStringLiteral("get"), kGnomeMouse, key}, &answer))
        return std::nullopt;
    return answer;
}

// Sets a GNOME key and reads it back; `same` compares what gsettings prints with the value.
template <typename Same> bool writeGnome(const QString& key, const QByteArray& text, Same same) {
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty())
        return false;
    QByteArray answer;
    // Exits non-zero when the schema or key is not installed.
    if (!runTool(gsettings, {QStringLiteral("writable"), kGnomeMouse, key}, &answer) ||
        answer != "true")
        return false;
    if (!runTool(gsettings, {QStringLiteral("set"), kGnomeMouse, key, QString::fromLatin1(text)}))
        return false;
    const auto back = readGnome(key);
    return back && same(*back);
}

// GNOME's key is a signed 32-bit integer.
bool writeGnomeInt(const QString& key, unsigned value) {
    if (value > static_cast<unsigned>(std::numeric_limits<int>::max()))
        return false;
    const QByteArray text = QByteArray::number(value);
    return writeGnome(key, text, [&](const QByteArray& back) { return back == text; });
}

// Prints as "0.5", or "-0.1111111111111111"; compared as numbers.
std::optional<double> gnomeDouble(const QByteArray& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
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
    return writeGnomeInt(QStringLiteral("double-click"), milliseconds);
}

double DesktopMouseSettings::unitSpeedFor(unsigned speed) {
    const double s = std::clamp(speed, 1u, 20u);
    return s <= 10 ? (s - 10) / 9 : (s - 10) / 10;
}

unsigned DesktopMouseSettings::speedForUnit(double gnomeSpeed) {
    const double g = std::clamp(gnomeSpeed, -1.0, 1.0);
    return static_cast<unsigned>(std::lround(g <= 0 ? 10 + 9 * g : 10 + 10 * g));
}

bool DesktopMouseSettings::setPointerSpeed(unsigned speed) {
    if (speed < 1 || speed > 20)
        return false;
    if (isKdeSession())
        return KWinPointers(QDBusConnection::sessionBus()).setSpeed(unitSpeedFor(speed));
    // Other compositors keep their own pointer settings and would ignore GNOME's keys.
    if (!isGnomeSession())
        return false;
    const double wanted = unitSpeedFor(speed);
    return writeGnome(QStringLiteral("speed"), QByteArray::number(wanted, 'f', 6),
                      [&](const QByteArray& back) {
                          const auto value = gnomeDouble(back);
                          return value && std::abs(*value - wanted) < 1e-5;
                      });
}

std::optional<unsigned> DesktopMouseSettings::pointerSpeed() {
    if (isKdeSession()) {
        const auto value = KWinPointers(QDBusConnection::sessionBus()).speed();
        return value ? std::optional<unsigned>(speedForUnit(*value)) : std::nullopt;
    }
    if (!isGnomeSession())
        return std::nullopt;
    const auto text = readGnome(QStringLiteral("speed"));
    const auto value = text ? gnomeDouble(*text) : std::nullopt;
    return value ? std::optional<unsigned>(speedForUnit(*value)) : std::nullopt;
}

bool DesktopMouseSettings::setAcceleration(bool accelerate) {
    if (isKdeSession())
        return KWinPointers(QDBusConnection::sessionBus()).setAccelerating(accelerate);
    if (!isGnomeSession())
        return false;
    const QByteArray text = accelerate ? "'default'" : "'flat'";
    return writeGnome(QStringLiteral("accel-profile"), text,
                      [&](const QByteArray& back) { return back == text; });
}

std::optional<bool> DesktopMouseSettings::acceleration() {
    if (isKdeSession())
        return KWinPointers(QDBusConnection::sessionBus()).accelerating();
    if (!isGnomeSession())
        return std::nullopt;
    const auto text = readGnome(QStringLiteral("accel-profile"));
    return text ? std::optional<bool>(*text != "'flat'") : std::nullopt;
}
