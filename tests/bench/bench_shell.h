// What the configurator's window needs before it is built: a fresh copy of the installation
// data as the working folder and a virtual mouse the HID seam is routed to.
#pragma once

#include "platform/hid/hid_seam.h"
#include "support/virtual_mouse_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

namespace bench {

struct ShellFolder {
    explicit ShellFolder(const QStringList& mouseArgs = {}) {
        if (qEnvironmentVariableIsEmpty("VMOUSE_BIN"))
            qputenv("VMOUSE_BIN",
                    (QCoreApplication::applicationDirPath() + "/../bin/virtual-mouse").toUtf8());
        testsupport::copyTree(QStringLiteral(MODULES_SOURCE_DIR), dir.filePath("modules"));
        QDir::setCurrent(dir.path());
        mouse = std::make_unique<testsupport::VirtualMouse>(mouseArgs);
        if (!mouse->started()) {
            std::fprintf(stderr, "virtual mouse did not start\n");
            return;
        }
        const QByteArray socket = mouse->socketPath().toUtf8();
        qputenv("VIRTUAL_MOUSE_SOCKET", socket);
        hidseam::apiFor(socket.constData());
    }
    bool ready() const { return mouse && mouse->started(); }

    QTemporaryDir dir;
    std::unique_ptr<testsupport::VirtualMouse> mouse;
};

} // namespace bench
