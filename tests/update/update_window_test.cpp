// The updater's window: its widgets, font and layout, what it shows of the flow,
// the buttons, and a whole update driven through the real "Update" button.
#include "hid_seam.h"
#include "local_text.h"
#include "update_rig.h"
#include "widget.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using updater::UpdateFlow;
using updater::Widget;
using updatetest::FakeClock;
using updatetest::Mouse;

namespace {

UpdateFlow::HotplugFactory silent() {
    return [](QObject* p) { return new hidseam::HotplugSource(p); };
}

UpdateFlow::HotplugFactory seam() {
    return [](QObject* p) { return hidseam::createHotplugSource(p); };
}

} // namespace

class UpdateWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        updatetest::routeSeam();
        updater::setLocal8BitEncoding("GB18030-0");
    }

    void exitCloses() {
        FakeClock clock;
        QTemporaryDir dir;
        Widget w(clock, dir.filePath("absent.bin"), silent());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(w.exitButton(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    void showsTheFile() {
        FakeClock clock;
        QTemporaryDir dir;
        updatetest::DataFile options;
        options.title = updater::toLocal8Bit(QString::fromUtf8("固件升级 2.0"));
        const auto image = updatetest::imageOfPages(5, 2, 0);
        const QString path = updatetest::writeFile(dir, updatetest::dataBin(image, options));
        Widget w(clock, path, silent());
        QCOMPARE(w.windowTitle(), QString::fromUtf8("固件升级 2.0"));
        QCOMPARE(w.statusLabel()->text(), QString("Disconnect the Device!"));
        QCOMPARE(w.checksumField()->text(), w.flow().checksumText());
        QVERIFY(!w.checksumField()->text().isEmpty());
        QCOMPARE(w.progressBar()->minimum(), 0);
        QCOMPARE(w.progressBar()->maximum(), 17);
        QVERIFY(!w.progressBar()->isTextVisible());
        QVERIFY(!w.updateButton()->isEnabled());
        // No mouse to ask yet; the file's version is shown beside it.
        QVERIFY(w.versionsLabel()->text().startsWith(QString::fromUtf8("Mouse firmware: –")));
    }

    void updateThroughTheButton() {
        Mouse mouse;
        QVERIFY(mouse.started());
        FakeClock clock;
        QTemporaryDir dir;
        const QString path =
            updatetest::writeFile(dir, updatetest::dataBin(updatetest::imageOfPages(3, 1, 0x0C)));
        // The window passes the flow's device changes on.
        Widget w(clock, path, seam());
        QCOMPARE(w.statusLabel()->text(), QString("Connected to the Device!"));
        QVERIFY(w.updateButton()->isEnabled());
        QSignalSpy changes(&w, &Widget::deviceChange);
        QSignalSpy clicks(w.updateButton(), &QPushButton::clicked);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QTest::mouseClick(w.updateButton(), Qt::LeftButton);
        QCOMPARE(w.statusLabel()->text(), QString("Enter the bootloader mode..."));
        QCOMPARE(w.progressBar()->value(), 1);
        // The boot loader turns up and "Update" is clicked for it.
        QTRY_COMPARE(w.statusLabel()->text(), QString("Update Success!"));
        QCOMPARE(clicks.count(), 2);
        QVERIFY(changes.count() >= 2);
        QCOMPARE(changes.first().at(0).toInt(), -1);
        QVERIFY(std::any_of(changes.begin(), changes.end(),
                            [](const QList<QVariant>& c) { return c.at(0).toInt() == 1; }));
        QCOMPARE(w.progressBar()->value(), w.progressBar()->maximum());
        QVERIFY(w.exitButton()->isEnabled());
        QVERIFY(!w.updateButton()->isEnabled());
        QVERIFY(mouse.waitForMode("normal"));
    }

    void closingIsRefusedWhileFlashing() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        FakeClock clock;
        QTemporaryDir dir;
        const QString path =
            updatetest::writeFile(dir, updatetest::dataBin(updatetest::imageOfPages(3, 1, 0x0D)));
        Widget w(clock, path, seam());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.statusLabel()->text(), QString("Ready To Update!"));
        w.updateProc();
        // Programming runs on the worker; until its end is handled the window stays.
        QVERIFY(w.flow().flashing());
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QVERIFY(w.findChild<QMessageBox*>("closeRefused"));
        QTRY_COMPARE(w.statusLabel()->text(), QString("Update Success!"));
        QVERIFY(w.close());
    }

    void slotsReachTheFlow() {
        FakeClock clock;
        QTemporaryDir dir;
        const QString path =
            updatetest::writeFile(dir, updatetest::dataBin(updatetest::imageOfPages(2, 1, 0)));
        Widget w(clock, path, silent());
        QCOMPARE(w.flow().updateState(), UpdateFlow::kWaiting);
        w.flow().forceStates(UpdateFlow::kWaiting, 1, false);
        w.deviceChangeProc(1);
        QCOMPARE(w.statusLabel()->text(), QString("Ready To Update!"));
        QVERIFY(w.updateButton()->isEnabled());
        // No boot loader behind it: the attempt fails and is retried later.
        w.updateProc();
        QVERIFY(!w.updateButton()->isEnabled());
        QVERIFY(!w.exitButton()->isEnabled());
        QTRY_COMPARE(clock.pendingDelays(), std::vector<int>{5000});
    }
};

QTEST_MAIN(UpdateWindowTest)
#include "update_window_test.moc"
