#include "platform/portal/global_shortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLoggingCategory>

#include <utility>

Q_LOGGING_CATEGORY(lcPortal, "platform.portal")

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// One entry of the portal's shortcut lists, a(sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& shortcut) {
    out.beginStructure();
    out << shortcut.id << shortcut.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& shortcut) {
    in.beginStructure();
    in >> shortcut.id >> shortcut.properties;
    in.endStructure();
    return in;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(PortalShortcuts)

namespace {

bool lists(const QVariantMap& results, const QString& id) {
    const QVariant value = results.value(QStringLiteral("shortcuts"));
    if (!value.canConvert<QDBusArgument>())
        return false;
    PortalShortcuts shortcuts;
    value.value<QDBusArgument>() >> shortcuts;
    for (const PortalShortcut& s : shortcuts)
        if (s.id == id)
            return true;
    return false;
}

} // namespace

GlobalShortcut::GlobalShortcut(const QDBusConnection& bus, Shortcut shortcut, QObject* parent)
    : QObject(parent), bus_(bus), shortcut_(std::move(shortcut)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
}

void GlobalShortcut::start() {
    if (!bus_.isConnected()) {
        fail(QStringLiteral("there is no D-Bus session"));
        return;
    }
    // The interface's version tells whether any portal offers it.
    QDBusMessage ask = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << kInterface << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (watcher->isError()) {
            fail(QStringLiteral("the desktop offers no GlobalShortcuts portal"));
            return;
        }
        bus_.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                     SLOT(onActivated(QDBusMessage)));
        request(QStringLiteral("CreateSession"), {}, QStringLiteral("open a shortcut session"),
                [this](const QVariantMap& results) {
                    // A string by the portal's own description; an object path from some.
                    const QVariant handle = results.value(QStringLiteral("session_handle"));
                    session_ = handle.userType() == qMetaTypeId<QDBusObjectPath>()
                                   ? handle.value<QDBusObjectPath>().path()
                                   : handle.toString();
                    if (session_.isEmpty()) {
                        fail(QStringLiteral("the portal opened no session"));
                        return;
                    }
                    request(QStringLiteral("ListShortcuts"),
                            {QVariant::fromValue(QDBusObjectPath(session_))},
                            QStringLiteral("list the shortcuts"),
                            [this](const QVariantMap& listed) { this->listed(listed); });
                });
    });
}

void GlobalShortcut::listed(const QVariantMap& results) {
    if (lists(results, shortcut_.id)) {
        bound_ = true;
        emit becameBound();
        return;
    }
    const PortalShortcuts wanted{
        {shortcut_.id,
         {{QStringLiteral("description"), shortcut_.description},
          {QStringLiteral("preferred_trigger"), shortcut_.preferredTrigger}}}};
    request(
        QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(wanted), QString()},
        QStringLiteral("bind the shortcut"), [this](const QVariantMap& bound) {
            if (!lists(bound, shortcut_.id)) {
                fail(QStringLiteral("the desktop did not bind the shortcut"));
                return;
            }
            bound_ = true;
            emit becameBound();
        });
}

QString GlobalShortcut::requestPath(const QString& token) const {
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

void GlobalShortcut::request(const QString& method, QList<QVariant> arguments, const QString& what,
                             Step next) {
    const QString token = QStringLiteral("mouse_suite_%1").arg(++tokens_);
    QVariantMap options{{QStringLiteral("handle_token"), token}};
    if (method == QLatin1String("CreateSession"))
        options.insert(QStringLiteral("session_handle_token"), QStringLiteral("mouse_suite"));
    arguments.append(options);

    // Listened to before asking, so that a quick answer is not missed.
    pendingPath_ = requestPath(token);
    pendingWhat_ = what;
    pendingStep_ = std::move(next);
    bus_.connect(kService, pendingPath_, kRequest, QStringLiteral("Response"), this,
                 SLOT(onResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, what] {
        watcher->deleteLater();
        QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            fail(QStringLiteral("the portal could not %1: %2").arg(what, reply.error().message()));
            return;
        }
        // An older portal may answer on a path of its own choosing.
        const QString path = reply.value().path();
        if (path != pendingPath_ && !pendingPath_.isEmpty()) {
            bus_.disconnect(kService, pendingPath_, kRequest, QStringLiteral("Response"), this,
                            SLOT(onResponse(uint, QVariantMap)));
            pendingPath_ = path;
            bus_.connect(kService, pendingPath_, kRequest, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
        }
    });
}

void GlobalShortcut::onResponse(uint response, const QVariantMap& results) {
    bus_.disconnect(kService, pendingPath_, kRequest, QStringLiteral("Response"), this,
                    SLOT(onResponse(uint, QVariantMap)));
    pendingPath_.clear();
    Step next = std::exchange(pendingStep_, {});
    if (response != 0) {
        fail(response == 1 ? QStringLiteral("the shortcut was declined")
                           : QStringLiteral("the portal could not %1").arg(pendingWhat_));
        return;
    }
    if (next)
        next(results);
}

void GlobalShortcut::onActivated(const QDBusMessage& message) {
    // (session handle, shortcut id, timestamp, options)
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || !bound_)
        return;
    if (args[0].value<QDBusObjectPath>().path() == session_ && args[1].toString() == shortcut_.id)
        emit activated();
}

void GlobalShortcut::fail(const QString& why) {
    qCDebug(lcPortal, "global shortcut unavailable: %s", qPrintable(why));
    emit unavailable(why);
}
