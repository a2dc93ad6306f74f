// The `testEnv` context property of the qml-tests harness: the test's modules folder, the
// virtual mouse behind the real objects, and the debug output so far.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>

namespace testsupport {
class VirtualMouse;
}
class Widget;

class TestEnv : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString modulesDir READ modulesDir CONSTANT)
  public:
    TestEnv(const QString& modulesDir, testsupport::VirtualMouse& mouse, Widget& window,
            QObject* parent = nullptr);

    QString modulesDir() const { return modulesDir_; }

    Q_INVOKABLE QString readFile(const QString& rel) const;
    Q_INVOKABLE bool writeFile(const QString& rel, const QString& text) const;
    // A value of a settings file as a fresh reader sees it, after the program's own
    // settings objects were flushed to disk.
    Q_INVOKABLE QVariant setting(const QString& rel, const QString& key) const;
    Q_INVOKABLE QVariantList traffic() const;
    Q_INVOKABLE void clearTraffic();
    Q_INVOKABLE QVariantMap deviceState() const;
    Q_INVOKABLE bool plug();
    Q_INVOKABLE bool unplug();
    Q_INVOKABLE bool dpiButton(int stage);
    Q_INVOKABLE bool fault(const QString& kind, int count = 1);
    Q_INVOKABLE QStringList debugLines() const;
    // Waits (with events processed) until asynchronous writes have given the link back.
    Q_INVOKABLE bool waitLinkFree(int ms = 5000) const;
    Q_INVOKABLE void setWindowVisible(bool visible);
    Q_INVOKABLE int stageDpi(int index) const;
    // For programs the configurator starts (they inherit the environment).
    Q_INVOKABLE void setEnv(const QString& name, const QString& value);
    Q_INVOKABLE bool hasDisplay() const;
    // Presses "Update" in the updater's window on the test display; false when the
    // window is not there.
    Q_INVOKABLE bool clickUpdater();
    // Ends updaters started from this test's folder (they outlive the configurator).
    Q_INVOKABLE int stopUpdaters();

    static void installMessageHandler();

  private:
    QString modulesDir_;
    testsupport::VirtualMouse& mouse_;
    Widget& window_;
};
