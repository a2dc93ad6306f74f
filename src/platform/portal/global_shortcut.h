// A desktop-wide shortcut through the desktop's GlobalShortcuts portal
// (org.freedesktop.portal.GlobalShortcuts, offered by Plasma's portal), for Wayland
// sessions where no program may watch the keyboard. The shortcut is bound once: a
// session that already lists it (the desktop remembers what the user accepted) is not
// asked again, so the desktop's dialog shows at most on the first start.
//
// Where no portal offers the interface, or the user declines, `unavailable` says why and
// nothing else happens; the tray and a second start still bring the window back.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class GlobalShortcut : public QObject {
    Q_OBJECT
  public:
    struct Shortcut {
        QString id;               // e.g. "show-window"
        QString description;      // what the desktop shows in its shortcut settings
        QString preferredTrigger; // e.g. "SHIFT+ALT+F12" (the desktop may choose another)
    };

    // Talks to the portal on `bus` (the session bus in the program).
    GlobalShortcut(const QDBusConnection& bus, Shortcut shortcut, QObject* parent = nullptr);

    // Opens the portal session and binds the shortcut unless it is bound already.
    void start();
    bool bound() const { return bound_; }

  signals:
    void activated();
    void becameBound();
    void unavailable(const QString& why);

  private slots:
    void onActivated(const QDBusMessage& message);
    void onResponse(uint response, const QVariantMap& results);

  private:
    using Step = std::function<void(const QVariantMap& results)>;
    // Calls a portal method that answers through a Request object; `next` runs with its
    // results when the user or the portal said yes.
    void request(const QString& method, QList<QVariant> arguments, const QString& what, Step next);
    QString requestPath(const QString& token) const;
    void listed(const QVariantMap& results);
    void fail(const QString& why);

    QDBusConnection bus_;
    Shortcut shortcut_;
    QString session_;
    QString pendingPath_;
    QString pendingWhat_;
    Step pendingStep_;
    int tokens_ = 0;
    bool bound_ = false;
};
