// The message channel on Windows: an application-wide native event filter that takes
// every WM_COPYDATA sent to one of the program's windows once a handler is registered.
// The message is consumed (result 1) whatever the handler did with it; before a handler
// is registered, and for every other message, the filter lets it pass.
#include "platform/capture/message_channel.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QPointer>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

class CopyDataFilter : public QAbstractNativeEventFilter {
  public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override {
        if (!handler || !message || eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_COPYDATA)
            return false;
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(msg->lParam);
        if (data) {
            const msgchannel::CopyData copy{static_cast<std::uintptr_t>(data->dwData),
                                            static_cast<std::uint32_t>(data->cbData), data->lpData};
            handler(copy, context);
        }
        if (result)
            *result = 1;
        return true;
    }

    MessageChannel::CopyDataHandler handler = nullptr;
    void* context = nullptr;
};

} // namespace

struct MessageChannel::Impl {
    CopyDataFilter filter;
    QPointer<QCoreApplication> app;
};

MessageChannel::MessageChannel(const QString& serverName) : d(std::make_unique<Impl>()) {
    Q_UNUSED(serverName);
}

MessageChannel::~MessageChannel() {
    stop();
}

bool MessageChannel::setCopyDataHandler(CopyDataHandler handler, QCoreApplication* app,
                                        void* context) {
    d->filter.handler = handler;
    d->filter.context = context;
    if (!app)
        app = QCoreApplication::instance();
    if (!app)
        return false;
    if (d->app != app) {
        if (d->app)
            d->app->removeNativeEventFilter(&d->filter);
        app->installNativeEventFilter(&d->filter);
        d->app = app;
    }
    return true;
}

// Window messages hold no connection.
void MessageChannel::setConnectionLimits(int, int) {}

void MessageChannel::stop() {
    if (d->app)
        d->app->removeNativeEventFilter(&d->filter);
    d->app = nullptr;
    d->filter.handler = nullptr;
    d->filter.context = nullptr;
}

QString MessageChannel::serverName() const {
    return QString();
}

QString MessageChannel::defaultServerName() {
    return QString();
}
