// The hot key through the desktop's GlobalShortcuts portal, against a portal of the test's
// own on a private D-Bus session bus: it answers like the desktop's (a Request object per
// call, Response and Activated signals) and remembers what was bound.
#include "platform/portal/global_shortcut.h"
#include "support/private_bus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Entry {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const Entry& e) {
    out.beginStructure();
    out << e.id << e.properties;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, Entry& e) {
    in.beginStructure();
    in >> e.id >> e.properties;
    in.endStructure();
    return in;
}

} // namespace

Q_DECLARE_METATYPE(Entry)
Q_DECLARE_METATYPE(QList<Entry>)

class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

  public:
    explicit FakePortal(QDBusConnection bus) : bus_(bus) {}
    uint version() const { return 1; }

    QList<Entry> bound; // what the desktop remembers
    QStringList calls;  // methods in order
    uint answer = 0;    // the Response code of BindShortcuts (1: the user declined)
    QString session;

    void activate(const QString& sessionPath, const QString& id) {
        QDBusMessage signal =
            QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                       "org.freedesktop.portal.GlobalShortcuts", "Activated");
        signal << QVariant::fromValue(QDBusObjectPath(sessionPath)) << id << qulonglong(0)
               << QVariantMap();
        bus_.send(signal);
    }

  public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options) {
        calls << "CreateSession";
        session = "/org/freedesktop/portal/desktop/session/" + sender() + "/" +
                  options.value("session_handle_token").toString();
        return respond(options, 0, {{"session_handle", session}});
    }
    QDBusObjectPath ListShortcuts(const QDBusObjectPath&, const QVariantMap& options) {
        calls << "ListShortcuts";
        return respond(options, 0, {{"shortcuts", QVariant::fromValue(bound)}});
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath&, const QList<Entry>& asked, const QString&,
                                  const QVariantMap& options) {
        calls << "BindShortcuts " + asked.value(0).id + " " +
                     asked.value(0).properties.value("preferred_trigger").toString();
        if (answer == 0)
            bound = asked;
        return respond(options, answer, {{"shortcuts", QVariant::fromValue(bound)}});
    }

  private:
    QString sender() const { return message().service().mid(1).replace('.', '_'); }

    // The Request object's path, answered at once; its Response follows.
    QDBusObjectPath respond(const QVariantMap& options, uint code, const QVariantMap& results) {
        const QString path = "/org/freedesktop/portal/desktop/request/" + sender() + "/" +
                             options.value("handle_token").toString();
        QMetaObject::invokeMethod(
            this,
            [this, path, code, results] {
                QDBusMessage signal =
                    QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
                signal << code << results;
                bus_.send(signal);
            },
            Qt::QueuedConnection);
        return QDBusObjectPath(path);
    }

    QDBusConnection bus_;
};

class GlobalShortcutTest : public QObject {
    Q_OBJECT

    testsupport::PrivateBus bus;
    const GlobalShortcut::Shortcut wanted{"show-window", "Show the window", "SHIFT+ALT+F12"};

    QDBusConnection connect(const QString& name) {
        return QDBusConnection::connectToBus(bus.address, name);
    }

  private slots:
    void initTestCase() {
        qDBusRegisterMetaType<Entry>();
        qDBusRegisterMetaType<QList<Entry>>();
        QVERIFY2(bus.start(), qPrintable(bus.problem));
    }

    void noPortalSaysSo() {
        GlobalShortcut shortcut(connect("client-alone"), wanted);
        QSignalSpy unavailable(&shortcut, &GlobalShortcut::unavailable);
        shortcut.start();
        QVERIFY(unavailable.wait(20000));
        QCOMPARE(unavailable.at(0).at(0).toString(),
                 "the desktop offers no GlobalShortcuts portal");
        QVERIFY(!shortcut.bound());
    }

    // Bound on the first start with the preferred trigger, not asked again on the next;
    // only its own session and id bring the window.
    void boundOnceAndActivated() {
        QDBusConnection portalBus = connect("portal");
        FakePortal portal(portalBus);
        QVERIFY(portalBus.registerObject("/org/freedesktop/portal/desktop", &portal,
                                         QDBusConnection::ExportAllSlots |
                                             QDBusConnection::ExportAllProperties));
        QVERIFY(portalBus.registerService("org.freedesktop.portal.Desktop"));

        for (int start = 0; start < 2; ++start) {
            portal.calls.clear();
            GlobalShortcut shortcut(connect(QString("client-%1").arg(start)), wanted);
            QSignalSpy bound(&shortcut, &GlobalShortcut::becameBound);
            QSignalSpy activated(&shortcut, &GlobalShortcut::activated);
            shortcut.start();
            QVERIFY(bound.wait(20000));
            QCOMPARE(portal.calls, start == 0
                                       ? QStringList({"CreateSession", "ListShortcuts",
                                                      "BindShortcuts show-window SHIFT+ALT+F12"})
                                       : QStringList({"CreateSession", "ListShortcuts"}));
            const QString session = portal.session;
            portal.activate(session, "another");
            portal.activate(session + "x", "show-window");
            portal.activate(session, "show-window");
            QVERIFY(activated.wait(20000));
            QTest::qWait(100); // the two others, had they counted, came first
            QCOMPARE(activated.count(), 1);
        }

        // A user who declines: said, and nothing bound.
        portal.bound.clear();
        portal.answer = 1;
        GlobalShortcut declined(connect("client-declined"), wanted);
        QSignalSpy unavailable(&declined, &GlobalShortcut::unavailable);
        declined.start();
        QVERIFY(unavailable.wait(20000));
        QCOMPARE(unavailable.at(0).at(0).toString(), "the shortcut was declined");
        QVERIFY(!declined.bound());
        portalBus.unregisterService("org.freedesktop.portal.Desktop");
    }
};

QTEST_GUILESS_MAIN(GlobalShortcutTest)
#include "global_shortcut_test.moc"
