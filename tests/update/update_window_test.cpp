// The updater's window: what it shows of the flow, the real "Update" button (clicked by
// the user, then for the boot loader), closing refused while the boot loader is written.
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

class UpdateWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        updatetest::routeSeam();
        updater::setLocal8BitEncoding("GB18030-0");
    }

    void updateThroughTheButton() {
        updatetest::Mouse mouse;
        QVERIFY(mouse.started());
        updatetest::FakeClock clock;
        QTemporaryDir dir;
        const QByteArray title = updater::toLocal8Bit(QString::fromUtf8("固件升级 2.0"));
        const QString path = updatetest::writeFile(
            dir, updatetest::dataBin(updatetest::imageOfPages(3, 1, 0x0C), title));
        Widget w(clock, path, [](QObject* p) { return hidseam::createHotplugSource(p); });
        QCOMPARE(w.windowTitle(), QString::fromUtf8("固件升级 2.0"));
        QCOMPARE(w.checksumField()->text(), w.flow().checksumText());
        QCOMPARE(w.progressBar()->maximum(), 11);
        QVERIFY(!w.progressBar()->isTextVisible());
        QCOMPARE(w.statusLabel()->text(), w.flow().status());
        QVERIFY(w.updateButton()->isEnabled());
        QSignalSpy changes(&w, &Widget::deviceChange);
        // Closing is tried right after a click has started the flash.
        QList<bool> closed;
        connect(w.updateButton(), &QPushButton::clicked, &w, [&] {
            if (w.flow().flashing())
                closed << w.close();
        });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QTest::mouseClick(w.updateButton(), Qt::LeftButton);
        QCOMPARE(w.progressBar()->value(), 1);
        // The boot loader turns up and "Update" is clicked for it; while it is written the
        // window stays, with a message.
        QTRY_COMPARE(w.flow().status(), UpdateFlow::statusText(UpdateFlow::kSuccess));
        QCOMPARE(w.statusLabel()->text(), w.flow().status());
        QCOMPARE(closed, QList<bool>{false});
        QVERIFY(w.findChild<QMessageBox*>("closeRefused"));
        QVERIFY(std::any_of(changes.begin(), changes.end(),
                            [](const QList<QVariant>& c) { return c.at(0).toInt() == 1; }));
        QCOMPARE(w.progressBar()->value(), 11);
        QVERIFY(!w.updateButton()->isEnabled());
        QTest::mouseClick(w.exitButton(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(UpdateWindowTest)
#include "update_window_test.moc"
