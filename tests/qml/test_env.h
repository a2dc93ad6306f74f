// The `testEnv` context property of the qml-tests harness: real input into the view host,
// the virtual mouse behind the real objects, the files and the stand-in dialogs.
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
    // The root page the view host loaded.
    Q_PROPERTY(QObject* page READ page CONSTANT)
  public:
    TestEnv(const QString& modulesDir, testsupport::VirtualMouse& mouse, Widget& window,
            bool capturing);
    QObject* page() const;

    // A page property as a plain value (the page's lists do not cross engines otherwise).
    Q_INVOKABLE QVariant value(QObject* object, const QString& name) const;
    // A page function of two arguments, called with plain values of the page's engine.
    Q_INVOKABLE QVariant call(QObject* object, const QString& function,
                              const QVariantList& args) const;
    // The first object of that name in the page (nearest the root first), null when none.
    Q_INVOKABLE QObject* item(const QString& objectName) const;
    // Real mouse input through the view host at item-local coordinates; false when the
    // view does not take it (locked, nothing there).
    Q_INVOKABLE bool press(QObject* item, qreal x, qreal y);
    Q_INVOKABLE bool move(QObject* item, qreal x, qreal y);
    Q_INVOKABLE bool release(QObject* item, qreal x, qreal y);
    Q_INVOKABLE bool click(QObject* item, qreal x, qreal y, bool right = false);
    // Key strokes into the view host; a trailing "\n" is sent as Return.
    Q_INVOKABLE void type(const QString& text);
    // Keys typed on the test display with xdotool ("k", "backslash"), which reach the page
    // through the real keystroke capture. False without a display or capture.
    Q_INVOKABLE bool typeOnDisplay(const QString& keys);
    Q_INVOKABLE void setConfig(const QString& key, const QVariant& value);
    Q_INVOKABLE QStringList openedUrls() const { return openedUrls_; }
    // The next file dialog returns `path` (relative: below the modules folder; "" cancels).
    Q_INVOKABLE void answerFileDialog(const QString& path);
    // Warning boxes as "title|text".
    Q_INVOKABLE QStringList warnings() const { return warnings_; }
    QString openFileName(const QString&, const QString&, const QString&) override;
    QString saveFileName(const QString&, const QString&, const QString&) override;
    void warning(const QString& title, const QString& text) override;

    Q_INVOKABLE QString readFile(const QString& rel) const;
    Q_INVOKABLE bool writeFile(const QString& rel, const QString& text) const;
    // A settings value as a fresh reader sees it, after the program's settings were flushed.
    Q_INVOKABLE QVariant setting(const QString& rel, const QString& key) const;
    Q_INVOKABLE QVariantList traffic() const;
    // Once the link is free: the commands of that code sent to the mouse since the last
    // clear, each as {frame: bytes after the report id, data: the output blocks after it}.
    Q_INVOKABLE QVariantList sent(int code) const;
    Q_INVOKABLE void clearTraffic();
    Q_INVOKABLE QVariantMap deviceState() const;
    Q_INVOKABLE bool ctl(const QStringList& args);
    // Waits (with events processed) until asynchronous writes have given the link back.
    Q_INVOKABLE bool waitLinkFree() const;
    Q_INVOKABLE void setWindowVisible(bool visible);
    Q_INVOKABLE QPoint windowPos() const;
    Q_INVOKABLE int stageDpi(int index) const;
    Q_INVOKABLE void setEnv(const QString& name, const QString& value);
    Q_INVOKABLE bool hasDisplay() const;
    // Presses "Update" in the updater's window on the test display; false when not there.
    Q_INVOKABLE bool clickUpdater();
    // Ends updaters started from this test's folder (they outlive the configurator).
    Q_INVOKABLE int stopUpdaters();

  public slots:
    // The desktop's URL handler while tests run.
    void openUrl(const QUrl& url) { openedUrls_ << url.toString(); }

  private:
    bool mouse(int type, QObject* item, qreal x, qreal y, Qt::MouseButton which);

    QString modulesDir_;
    testsupport::VirtualMouse& mouse_;
    Widget& window_;
    bool capturing_;
    Qt::MouseButtons held_;
    QStringList openedUrls_;
    QString answer_;
    QStringList warnings_;
};
