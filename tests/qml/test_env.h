// The `testEnv` context property of the qml-tests harness: the test's modules folder, the
// virtual mouse behind the real objects, and the debug output so far.
#pragma once

#include "file_dialogs.h"

#include <QObject>
#include <QPoint>
#include <QStringList>
#include <QUrl>
#include <QVariant>

namespace testsupport {
class VirtualMouse;
}
class Widget;

class TestEnv : public QObject, public FileDialogs {
    Q_OBJECT
    Q_PROPERTY(QString modulesDir READ modulesDir CONSTANT)
    // The root page the view host loaded.
    Q_PROPERTY(QObject* page READ page CONSTANT)
  public:
    TestEnv(const QString& modulesDir, testsupport::VirtualMouse& mouse, Widget& window,
            bool capturing, QObject* parent = nullptr);

    QString modulesDir() const { return modulesDir_; }
    QObject* page() const;

    // A property of a page object as a plain value (lists and maps of the page's own
    // engine do not cross into the test's engine otherwise).
    Q_INVOKABLE QVariant value(QObject* object, const QString& name) const;
    // The first object of that name in the page (visual tree first), null when none.
    Q_INVOKABLE QObject* item(const QString& objectName) const;
    // Real mouse input through the view host, at item-local coordinates. A press, move or
    // release the view does not take (disabled, nothing there) returns false.
    Q_INVOKABLE bool press(QObject* item, qreal x, qreal y);
    Q_INVOKABLE bool move(QObject* item, qreal x, qreal y);
    Q_INVOKABLE bool release(QObject* item, qreal x, qreal y);
    Q_INVOKABLE bool click(QObject* item, qreal x, qreal y);
    Q_INVOKABLE bool rightClick(QObject* item, qreal x, qreal y);
    // Key strokes into the view host, to the item that has the keyboard; a trailing "\n"
    // is sent as Return.
    Q_INVOKABLE void type(const QString& text);
    // Keys typed on the test display with xdotool ("k", "backslash", "ctrl+F5"), which
    // reach the page through the real keystroke capture. False when there is no display
    // or no capture on it.
    Q_INVOKABLE bool typeOnDisplay(const QString& keys);
    // A value of the program's own application configuration object.
    Q_INVOKABLE void setConfig(const QString& key, const QVariant& value);
    // Addresses the program asked the desktop to open (nothing is really opened).
    Q_INVOKABLE QStringList openedUrls() const { return openedUrls_; }
    // The program's file dialogs and warning boxes are answered here, not shown: the next
    // file dialog returns `path` (a relative path is taken below modulesDir; "" cancels),
    // later ones are cancelled. `dialogs` lists them as "open|caption" / "save|caption",
    // `warnings` as "title|text".
    Q_INVOKABLE void answerFileDialog(const QString& path);
    Q_INVOKABLE QStringList dialogs() const { return dialogs_; }
    Q_INVOKABLE QStringList warnings() const { return warnings_; }

    // FileDialogs
    QString openFileName(const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& dir,
                         const QString& filter) override;
    void warning(const QString& title, const QString& text) override;

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
    Q_INVOKABLE QPoint windowPos() const;
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

  public slots:
    // The desktop's URL handler while tests run.
    void openUrl(const QUrl& url) { openedUrls_ << url.toString(); }

  private:
    bool mouse(int type, QObject* item, qreal x, qreal y, Qt::MouseButton which = Qt::LeftButton);
    QString takeAnswer();

    QString modulesDir_;
    testsupport::VirtualMouse& mouse_;
    Widget& window_;
    bool capturing_;
    Qt::MouseButtons held_;
    QStringList openedUrls_;
    QString answer_;
    QStringList dialogs_;
    QStringList warnings_;
};
