// The `testEnv` context property of the qml-tests harness: real input into the view host,
// the virtual mouse behind the real objects, the files and the stand-in dialogs.
#pragma once

#include "file_dialogs.h"
#include "my_quick_view.h"
#include "virtual_mouse_fixture.h"
#include "widget.h"

#include <QApplication>
#include <QDir>
#include <QJSValue>
#include <QMouseEvent>
#include <QProcess>
#include <QQuickItem>
#include <QTest>

#include <csignal>
#include <queue>

class TestEnv : public QObject, public FileDialogs {
    Q_OBJECT
    // The root page the view host loaded.
    Q_PROPERTY(QObject* page READ page CONSTANT)
  public:
    TestEnv(const QString& modulesDir, testsupport::VirtualMouse& mouse, Widget& window,
            bool capturing)
        : modulesDir_(modulesDir), mouse_(mouse), window_(window), capturing_(capturing) {}
    QObject* page() const { return window_.view()->rootObject(); }

    // A page property as a plain value (the page's lists do not cross engines otherwise).
    Q_INVOKABLE QVariant value(QObject* object, const QString& name) const {
        return plain(object->property(name.toUtf8().constData()));
    }
    // A page function of two arguments, called with plain values of the page's engine.
    Q_INVOKABLE QVariant call(QObject* object, const QString& function, const QVariantList& args) {
        QVariant r;
        QMetaObject::invokeMethod(object, function.toUtf8().constData(), Q_RETURN_ARG(QVariant, r),
                                  Q_ARG(QVariant, args.value(0)), Q_ARG(QVariant, args.value(1)));
        return plain(r);
    }
    // The first object of that name in the page (nearest the root first), null when none.
    Q_INVOKABLE QObject* item(const QString& objectName) const {
        std::queue<QQuickItem*> pending;
        pending.push(window_.view()->rootObject());
        for (; !pending.empty(); pending.pop()) {
            if (pending.front()->objectName() == objectName)
                return pending.front();
            for (QQuickItem* child : pending.front()->childItems())
                pending.push(child);
        }
        return page()->findChild<QObject*>(objectName); // not items: the key-name tables
    }
    // Real mouse input through the view host at item-local coordinates: a press at x0,
    // moves through the `xs` and the release at the last of them.
    Q_INVOKABLE void drag(QObject* item, qreal x0, const QList<qreal>& xs, qreal y) {
        mouse(QEvent::MouseButtonPress, item, x0, y, Qt::LeftButton);
        for (qreal x : xs)
            mouse(QEvent::MouseMove, item, x, y, Qt::NoButton);
        mouse(QEvent::MouseButtonRelease, item, xs.last(), y, Qt::LeftButton);
    }
    // A click; false when the view does not take it (locked, nothing there).
    Q_INVOKABLE bool click(QObject* item, qreal x, qreal y, bool right = false) {
        const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
        const bool pressed = mouse(QEvent::MouseButtonPress, item, x, y, button);
        return mouse(QEvent::MouseButtonRelease, item, x, y, button) && pressed;
    }
    // Key strokes into the view host; a trailing "\n" is sent as Return.
    Q_INVOKABLE void type(const QString& text) {
        const bool enter = text.endsWith(QLatin1Char('\n'));
        QTest::keyClicks(window_.view(), enter ? text.chopped(1) : text);
        if (enter)
            QTest::keyClick(window_.view(), Qt::Key_Return);
    }
    // Keys typed on the test display ("k", "backslash"), which reach the page through the
    // real keystroke capture. False without a display or capture.
    Q_INVOKABLE bool typeOnDisplay(const QString& keys) {
        return capturing_ && hasDisplay() &&
               xdotool(QStringList{"key", "--delay", "20"} + keys.split(' ')) != QString();
    }
    Q_INVOKABLE QStringList openedUrls() const { return openedUrls_; }
    // The next file dialog returns `path` below the modules folder ("" cancels).
    Q_INVOKABLE void answerFileDialog(const QString& path) { answer_ = path; }
    Q_INVOKABLE QStringList warnings() const { return warnings_; }
    QString openFileName(const QString&, const QString&, const QString&) override {
        const QString answer = std::exchange(answer_, QString());
        return answer.isEmpty() ? answer : path(answer);
    }
    QString saveFileName(const QString& c, const QString& d, const QString& f) override {
        return openFileName(c, d, f);
    }
    void warning(const QString& title, const QString& text) override {
        warnings_ << title + QLatin1Char('|') + text;
    }

    Q_INVOKABLE QString readFile(const QString& rel) const {
        QFile f(path(rel));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    Q_INVOKABLE bool writeFile(const QString& rel, const QString& text) const {
        QFile f(path(rel));
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
    }
    // A settings value as a fresh reader sees it, after the program's settings were flushed.
    Q_INVOKABLE QVariant setting(const QString& rel, const QString& key) const {
        window_.view()->appConfig().sync();
        for (int i = 0; i < ProfileStore::kProfiles; ++i)
            if (QSettings* p = window_.view()->profiles().at(i))
                p->sync();
        return QSettings(path(rel), QSettings::IniFormat).value(key);
    }
    // Once the link is free: the commands of that code sent to the mouse since the last
    // clear, each as {frame: bytes after the report id, data: the output blocks after it}.
    Q_INVOKABLE QVariantList sent(int code) const {
        waitLinkFree();
        std::vector<QVariantList> frames;
        std::vector<bool> feature;
        for (const QJsonObject& r : mouse_.log()) {
            if (r.value("dir").toString() != "to_device")
                continue;
            QVariantList bytes;
            for (const QString& h : r.value("plain").toString().split(' ', Qt::SkipEmptyParts))
                bytes << h.toInt(nullptr, 16);
            frames.push_back(bytes.mid(1));
            feature.push_back(r.value("kind").toString() == "feature");
        }
        QVariantList out;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (!feature[i] || frames[i].value(0).toInt() != code)
                continue;
            QVariantList data;
            for (std::size_t j = i + 1; j < frames.size() && !feature[j]; ++j)
                data += frames[j];
            out << QVariantMap{{"frame", frames[i].mid(0, 7)}, {"data", data}};
        }
        return out;
    }
    Q_INVOKABLE void clearTraffic() {
        waitLinkFree(); // what is still queued belongs to before the clear as well
        mouse_.clearLog();
    }
    Q_INVOKABLE QVariantMap deviceState() const { return mouse_.state().toVariantMap(); }
    Q_INVOKABLE bool ctl(const QStringList& args) { return mouse_.ctl(args) == 0; }
    // Waits (with events processed) until asynchronous writes have given the link back.
    Q_INVOKABLE bool waitLinkFree() const {
        return QTest::qWaitFor([this] { return window_.hid().isLinkFree(); }, 5000);
    }
    Q_INVOKABLE void setWindowVisible(bool visible) { window_.setVisible(visible); }
    Q_INVOKABLE void setEnv(const QString& name, const QString& v) {
        qputenv(name.toUtf8().constData(), v.toUtf8());
    }
    Q_INVOKABLE bool hasDisplay() const { return !qEnvironmentVariableIsEmpty("DISPLAY"); }
    // Presses "Update" (left of the two buttons in the bottom right corner) in the updater's
    // window on the test display; false when the window is not there.
    Q_INVOKABLE bool clickUpdater() {
        const QString id = xdotool({"search", "--onlyvisible", "--classname", "update"});
        const QString size = xdotool({"getwindowgeometry", id.section('\n', 0, 0)});
        const QStringList wh = size.section("Geometry: ", 1).section('\n', 0, 0).split('x');
        return wh.size() == 2 &&
               xdotool({"mousemove", "--window", id.section('\n', 0, 0),
                        QString::number(wh[0].toInt() - 125), QString::number(wh[1].toInt() - 26),
                        "click", "1"}) != QString();
    }
    // Ends updaters started from this test's folder (they outlive the configurator).
    Q_INVOKABLE int stopUpdaters() {
        const QString program = QFileInfo(path("../update/update")).canonicalFilePath();
        int stopped = 0;
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (!program.isEmpty() &&
                QFileInfo("/proc/" + pid + "/exe").canonicalFilePath() == program)
                stopped += ::kill(pid.toInt(), SIGTERM) == 0;
        return stopped;
    }

  public slots:
    // The desktop's URL handler while tests run.
    void openUrl(const QUrl& url) { openedUrls_ << url.toString(); }

  private:
    static QVariant plain(const QVariant& v) {
        return v.userType() == qMetaTypeId<QJSValue>() ? v.value<QJSValue>().toVariant() : v;
    }
    QString path(const QString& rel) const { return QDir(modulesDir_).filePath(rel); }
    // Output of a finished xdotool run; a failed run gives a null string.
    static QString xdotool(const QStringList& args) {
        QProcess p;
        p.start("xdotool", args);
        const bool ok =
            p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        return ok ? QString::fromUtf8(p.readAllStandardOutput() + ' ') : QString();
    }
    bool mouse(QEvent::Type type, QObject* target, qreal x, qreal y, Qt::MouseButton button) {
        auto* item = qobject_cast<QQuickItem*>(target);
        if (!item)
            return false;
        held_ = type == QEvent::MouseButtonPress     ? held_ | button
                : type == QEvent::MouseButtonRelease ? held_ & ~button
                                                     : held_;
        // The root item sits at the view's origin: scene coordinates are the widget's.
        const QPoint pos = item->mapToScene(QPointF(x, y)).toPoint();
        QMouseEvent event(type, pos, window_.view()->mapToGlobal(pos), button, held_,
                          Qt::NoModifier);
        static ulong timestamp = 0;
        event.setTimestamp(timestamp += 1000); // far apart: never a double click
        const bool delivered = QApplication::sendEvent(window_.view(), &event);
        // As between two real inputs, what the page queued in response runs first.
        QCoreApplication::processEvents();
        return delivered && event.isAccepted();
    }

    QString modulesDir_;
    testsupport::VirtualMouse& mouse_;
    Widget& window_;
    bool capturing_;
    Qt::MouseButtons held_;
    QStringList openedUrls_;
    QString answer_;
    QStringList warnings_;
};
