// Prints which HID functions the seam picked in a fresh process, and with "watch" waits
// for a device to go away through the seam's hot-plug source.
#include "hid_seam.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const hidseam::Api& api = hidseam::api();
    hid_device_info* devs = api.enumerate(0x04d9, 0xa26b);
    std::printf("%s %s\n", api.name, devs ? "mouse" : "no-mouse");
    api.free_enumeration(devs);
    std::fflush(stdout);
    if (argc < 2 || qstrcmp(argv[1], "watch") != 0)
        return 0;

    hidseam::HotplugSource* source = hidseam::createHotplugSource(&app);
    QObject::connect(source, &hidseam::HotplugSource::deviceRemoved, &app, [&](const QString& p) {
        std::printf("removed %s\n", qPrintable(p));
        std::fflush(stdout);
        app.exit(0);
    });
    QTimer::singleShot(20000, &app, [&] { app.exit(3); });
    std::printf("watching\n");
    std::fflush(stdout);
    return app.exec();
}
