// The configurator's window: page loading, window shape, tray icon and its Quit entry.
#include "placeholder_window.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QQuickItem>
#include <QQuickWidget>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using app::PlaceholderWindow;

class PlaceholderWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();

    void loadsTheRootPage();
    void isFramelessTranslucentAndPageSized();
    void pageTellsWhetherTheMouseWasFound_data();
    void pageTellsWhetherTheMouseWasFound();
    void trayIconComesFromTheModulesFolder();
    void missingTrayIconLeavesItEmpty();
    void trayMenuHasOnlyQuit();
    void quitEndsTheEventLoop();

  private:
    // A folder laid out like the program's own, holding the shipped tray icon.
    QTemporaryDir programDir_;
    QTemporaryDir emptyDir_;
    QString startDir_;
};

void PlaceholderWindowTest::initTestCase() {
    QVERIFY(programDir_.isValid());
    QVERIFY(emptyDir_.isValid());
    QVERIFY(QDir(programDir_.path()).mkpath(QStringLiteral("modules/img")));
    QVERIFY(QFile::copy(QStringLiteral(MODULES_SOURCE_DIR "/img/trayIcon.ico"),
                        programDir_.filePath(QStringLiteral("modules/img/trayIcon.ico"))));
    startDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(programDir_.path()));
}

void PlaceholderWindowTest::cleanup() {
    QDir::setCurrent(programDir_.path());
}

void PlaceholderWindowTest::loadsTheRootPage() {
    PlaceholderWindow window(true);
    QQuickWidget* view = window.view();
    QVERIFY(view != nullptr);
    QVERIFY2(view->errors().isEmpty(), qPrintable(view->errors().value(0).toString()));
    QCOMPARE(view->status(), QQuickWidget::Ready);
    QCOMPARE(view->source(), QUrl(QStringLiteral("qrc:/modules/qml/main.qml")));
    QQuickItem* root = view->rootObject();
    QVERIFY(root != nullptr);
    QCOMPARE(root->width(), 1000.0);
    QCOMPARE(root->height(), 640.0);
}

void PlaceholderWindowTest::isFramelessTranslucentAndPageSized() {
    PlaceholderWindow window(false);
    QCOMPARE(window.size(), QSize(1000, 640));
    QCOMPARE(window.view()->geometry(), QRect(0, 0, 1000, 640));
    QVERIFY(window.isWindow());
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window.windowTitle(), QStringLiteral("HALDORA SKARN MOUSE R418"));

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(1000, 640));
}

void PlaceholderWindowTest::pageTellsWhetherTheMouseWasFound_data() {
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("text");
    QTest::newRow("mouse present") << true << QStringLiteral("Mouse found");
    QTest::newRow("no mouse") << false << QStringLiteral("No mouse");
}

void PlaceholderWindowTest::pageTellsWhetherTheMouseWasFound() {
    QFETCH(bool, found);
    QFETCH(QString, text);
    PlaceholderWindow window(found);
    QQuickItem* root = window.view()->rootObject();
    QVERIFY(root != nullptr);
    auto* status = root->findChild<QObject*>(QStringLiteral("statusText"));
    QVERIFY(status != nullptr);
    QCOMPARE(status->property("text").toString(), text);
    auto* title = root->findChild<QObject*>(QStringLiteral("titleText"));
    QVERIFY(title != nullptr);
    QVERIFY(!title->property("text").toString().isEmpty());
}

void PlaceholderWindowTest::trayIconComesFromTheModulesFolder() {
    PlaceholderWindow window(true);
    QSystemTrayIcon* tray = window.trayIcon();
    QVERIFY(tray != nullptr);
    QCOMPARE(tray->parent(), &window);
    QCOMPARE(tray->toolTip(), QStringLiteral("HALDORA SKARN MOUSE R418"));
    QVERIFY(tray->isVisible());
    const QIcon icon = tray->icon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY2(sizes.contains(QSize(16, 16)), "the tray icon has no 16x16 image");
    QVERIFY2(sizes.contains(QSize(32, 32)), "the tray icon has no 32x32 image");
    // Drawn, not blank: the 32x32 image has both see-through and solid pixels.
    const QImage image = icon.pixmap(QSize(32, 32)).toImage();
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(16, 16)), 255);
}

void PlaceholderWindowTest::missingTrayIconLeavesItEmpty() {
    QVERIFY(QDir::setCurrent(emptyDir_.path()));
    PlaceholderWindow window(false);
    QVERIFY(window.trayIcon()->icon().isNull());
    QCOMPARE(window.size(), QSize(1000, 640));
    QCOMPARE(window.view()->status(), QQuickWidget::Ready);
}

void PlaceholderWindowTest::trayMenuHasOnlyQuit() {
    PlaceholderWindow window(true);
    QMenu* menu = window.trayIcon()->contextMenu();
    QVERIFY(menu != nullptr);
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first(), window.quitAction());
    QCOMPARE(actions.first()->text(), QStringLiteral("Quit (&Q)"));
    QVERIFY(menu->styleSheet().startsWith(QStringLiteral("QMenu { border: 1px solid")));
}

void PlaceholderWindowTest::quitEndsTheEventLoop() {
    PlaceholderWindow window(true);
    QEventLoop loop;
    QTimer::singleShot(0, window.quitAction(), &QAction::trigger);
    // Only a safety net so a broken Quit fails here instead of hanging the suite.
    QTimer::singleShot(60000, &loop, [&loop] { loop.exit(99); });
    QCOMPARE(loop.exec(), 0);
}

QTEST_MAIN(PlaceholderWindowTest)
#include "tst_placeholder_window.moc"
