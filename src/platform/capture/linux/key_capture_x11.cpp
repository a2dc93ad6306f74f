// KeyCapture on X11: the RECORD extension delivers every key and button event of the
// display. Two X connections of our own are used (Qt's is left alone): one to create and
// later disable the record context, one on which the context is enabled and the recorded
// events arrive. That second connection's socket is watched by a QSocketNotifier, so the
// events are read and reported by the GUI thread's event loop; there is no extra thread.
//
// X key codes are evdev codes + 8. They go to PC scan codes (evdev_scan_codes.h) and
// then through the same tables as on Windows.
//
// In a Wayland session RECORD (on Xwayland) would see only X11 clients, and nothing at
// all of a Wayland window: there, and where RECORD is missing, the keys come from the
// program's own window (windowKey), whose native scan codes are the same X key codes.
#include "platform/capture/key_capture.h"

#include "platform/capture/delivery_queue.h"

#include "platform/capture/key_translation.h"
#include "platform/capture/linux/evdev_scan_codes.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QtGlobal>

#include <chrono>
#include <cstring>
#include <poll.h>

// Xlib last: it defines None, Bool, KeyPress and friends as macros.
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

Q_LOGGING_CATEGORY(lcCapture, "platform.capture")

namespace {

// Longest wait for the server to confirm that recording has started.
constexpr std::chrono::milliseconds kStartTimeout{5000};

void reportUnavailableOnce(const char* reason) {
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    qCDebug(lcCapture, "keystroke capture unavailable: %s", reason);
}

} // namespace

struct KeyCapture::Impl {
    explicit Impl(bool backslashAlt) : translator(backslashAlt) {}
    ~Impl() { uninstall(); }

    bool install();
    bool installRecord();
    void uninstall();
    void readReplies();
    void deliver();
    void take(const xEvent& ev);

    static void onRecord(XPointer closure, XRecordInterceptData* data);

    capture::KeyTranslator translator;
    KeyboardCallback keyboardCallback = nullptr;
    void* keyboardContext = nullptr;
    MouseCallback mouseCallback = nullptr;
    void* mouseContext = nullptr;

    Display* control = nullptr;
    Display* data = nullptr;
    XRecordContext context = 0;
    QSocketNotifier* notifier = nullptr;
    bool started = false;
    capture::KeySource source = capture::KeySource::Desktop;
    bool windowKeys = false; // installed with keys from the window
    int inNotifier = 0;      // depth of readReplies() calls from the notifier
    capture::DeliveryQueue queue;
};

bool KeyCapture::Impl::install() {
    uninstall();
    const auto env = [](const char* name) { return qEnvironmentVariable(name).toStdString(); };
    source = capture::keySourceFor(env("XDG_SESSION_TYPE"), env("WAYLAND_DISPLAY"),
                                   env("QT_QPA_PLATFORM"));
    if (source == capture::KeySource::Window) {
        qCDebug(lcCapture, "a Wayland session: keys are taken from the program's window");
        windowKeys = true;
        return true;
    }
    if (installRecord())
        return true;
    source = capture::KeySource::Window;
    qCDebug(lcCapture, "keys are taken from the program's window");
    windowKeys = true;
    return true;
}

bool KeyCapture::Impl::installRecord() {
    control = XOpenDisplay(nullptr);
    if (!control) {
        reportUnavailableOnce("no X display");
        return false;
    }
    // Asked plainly first: the RECORD call would print a complaint of its own.
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    int major = 0;
    int minor = 0;
    if (!XQueryExtension(control, "RECORD", &opcode, &firstEvent, &firstError) ||
        !XRecordQueryVersion(control, &major, &minor)) {
        reportUnavailableOnce("the X server has no RECORD extension");
        uninstall();
        return false;
    }
    data = XOpenDisplay(DisplayString(control));
    if (!data) {
        reportUnavailableOnce("cannot open a second X connection");
        uninstall();
        return false;
    }

    XRecordRange* range = XRecordAllocRange();
    if (!range) {
        uninstall();
        return false;
    }
    // KeyPress, KeyRelease, ButtonPress, ButtonRelease; no motion.
    range->device_events.first = KeyPress;
    range->device_events.last = ButtonRelease;
    XRecordClientSpec clients = XRecordAllClients;
    context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
    XFree(range);
    if (!context) {
        reportUnavailableOnce("cannot create a record context");
        uninstall();
        return false;
    }
    // The context must exist on the server before the other connection enables it.
    XSync(control, False);

    started = false;
    if (!XRecordEnableContextAsync(data, context, &Impl::onRecord,
                                   reinterpret_cast<XPointer>(this))) {
        reportUnavailableOnce("cannot enable the record context");
        uninstall();
        return false;
    }
    XFlush(data);

    // Wait for the start-of-data reply, so that every event after install() returns is
    // recorded. One round trip; bounded in case the server never answers.
    const int fd = ConnectionNumber(data);
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    for (;;) {
        XRecordProcessReplies(data);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (started || left.count() <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, static_cast<int>(left.count()));
    }
    if (!started) {
        reportUnavailableOnce("the X server did not start recording");
        uninstall();
        return false;
    }

    notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
        ++inNotifier;
        readReplies();
        --inNotifier;
    });
    // Replies read during the wait may already hold events; they go out from the event
    // loop like all others.
    if (!queue.empty())
        QMetaObject::invokeMethod(
            notifier, [this] { deliver(); }, Qt::QueuedConnection);
    return true;
}

void KeyCapture::Impl::uninstall() {
    if (notifier) {
        // Deleting the notifier also drops a delivery still queued on it. When its own
        // signal is being handled (a callback removed the capture), it goes later.
        notifier->setEnabled(false);
        if (inNotifier > 0)
            notifier->deleteLater();
        else
            delete notifier;
        notifier = nullptr;
    }
    if (context && control) {
        XRecordDisableContext(control, context);
        XRecordFreeContext(control, context);
        XSync(control, False);
    }
    context = 0;
    if (data) {
        XCloseDisplay(data);
        data = nullptr;
    }
    if (control) {
        XCloseDisplay(control);
        control = nullptr;
    }
    started = false;
    windowKeys = false;
    queue.clear();
}

void KeyCapture::Impl::readReplies() {
    if (!data)
        return;
    // Only queues: the record callback runs inside Xlib, where nothing else may happen.
    XRecordProcessReplies(data);
    deliver();
}

void KeyCapture::Impl::deliver() {
    queue.deliver([this](const capture::DeliveryQueue::Event& e) {
        if (e.mouse) {
            if (mouseCallback)
                mouseCallback(e.event.code, e.event.pressed, e.x, e.y, mouseContext);
        } else if (keyboardCallback) {
            keyboardCallback(e.event.code, e.event.pressed, keyboardContext);
        }
    });
}

void KeyCapture::Impl::take(const xEvent& ev) {
    const int type = ev.u.u.type & 0x7F;
    const unsigned detail = ev.u.u.detail;
    switch (type) {
    case KeyPress:
    case KeyRelease: {
        const auto scan = capture::scanCodeForXKeycode(detail);
        if (!scan)
            return;
        const bool altDown = (ev.u.keyButtonPointer.state & Mod1Mask) != 0;
        const auto change =
            translator.translate(scan->scan, scan->extended, altDown, type == KeyPress);
        if (change)
            queue.pushKey(*change);
        return;
    }
    case ButtonPress:
    case ButtonRelease: {
        const auto button = capture::mouseEventForXButton(detail, type == ButtonPress);
        if (button)
            queue.pushMouse(*button, ev.u.keyButtonPointer.rootX, ev.u.keyButtonPointer.rootY);
        return;
    }
    default:
        return;
    }
}

void KeyCapture::Impl::onRecord(XPointer closure, XRecordInterceptData* recorded) {
    auto* self = reinterpret_cast<Impl*>(closure);
    switch (recorded->category) {
    case XRecordStartOfData:
        self->started = true;
        break;
    case XRecordFromServer:
        // data_len counts 4-byte units; a device event is one 32-byte xEvent.
        if (recorded->data && recorded->data_len * 4 >= sizeof(xEvent)) {
            xEvent ev;
            std::memcpy(&ev, recorded->data, sizeof ev);
            self->take(ev);
        }
        break;
    default:
        break;
    }
    XRecordFreeData(recorded);
}

KeyCapture::KeyCapture(bool backslashAlt) : d(std::make_unique<Impl>(backslashAlt)) {
    d->install();
}

KeyCapture::~KeyCapture() = default;

bool KeyCapture::installHooks() {
    return d->install();
}

void KeyCapture::removeHooks() {
    d->uninstall();
}

bool KeyCapture::installed() const {
    return d->context != 0 || d->windowKeys;
}

capture::KeySource KeyCapture::source() const {
    return d->source;
}

void KeyCapture::windowKey(std::uint32_t nativeScanCode, bool pressed, bool altDown) {
    if (!d->windowKeys)
        return;
    const auto scan = capture::scanCodeForXKeycode(nativeScanCode);
    if (!scan)
        return;
    const auto change = d->translator.translate(scan->scan, scan->extended, altDown, pressed);
    if (!change)
        return;
    qCDebug(lcCapture, "window key %02x %s", change->code, pressed ? "down" : "up");
    d->queue.pushKey(*change);
    d->deliver();
}

void KeyCapture::setKeyboardCallback(KeyboardCallback callback, void* context) {
    d->keyboardCallback = callback;
    d->keyboardContext = context;
}

void KeyCapture::setMouseCallback(MouseCallback callback, void* context) {
    d->mouseCallback = callback;
    d->mouseContext = context;
}

const capture::KeyTranslator& KeyCapture::translator() const {
    return d->translator;
}
