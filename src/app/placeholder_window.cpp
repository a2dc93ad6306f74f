#include "placeholder_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QQmlContext>
#include <QQuickWidget>
#include <QSystemTrayIcon>
#include <QUrl>

namespace app {

namespace {

constexpr QSize kPageSize(1000, 640);

constexpr char kTrayMenuStyle[] =
    "QMenu { border: 1px solid rgb(100, 100, 100); background: rgb(68, 69, 73); } "
    "QMenu::item { height: 22px; padding: 0px 25px 0px 20px; } "
    "QMenu::item:enabled { color: rgb(225, 225, 225); } "
    "QMenu::item:!enabled { color: rgb(155, 155, 155); } "
    "QMenu::item:enabled:selected { color: rgb(230, 230, 230); background: rgba(255, 255, "
    "255, 40); } "
    "QMenu::separator { height: 1px; background: rgb(100, 100, 100); } "
    "QMenu::indicator { width: 13px; height: 13px; } "
    "QMenu::icon { padding-left: 2px; padding-right: 2px; } ";

} // namespace

PlaceholderWindow::PlaceholderWindow(bool mouseFound, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Widget"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    setWindowOpacity(1.0);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("background:transparent;"));
    setWindowTitle(QString::fromLatin1(kProductName));

    view_ = new QQuickWidget(this);
    view_->setObjectName(QStringLiteral("ui_View"));
    // The page draws its own rounded panel; everything outside it stays see-through.
    view_->setAttribute(Qt::WA_AlwaysStackOnTop);
    view_->setClearColor(Qt::transparent);
    view_->setResizeMode(QQuickWidget::SizeViewToRootObject);
    // Set before loading, so bindings evaluated while the page loads already see it.
    view_->rootContext()->setContextProperty(QStringLiteral("mouseFound"), mouseFound);
    view_->setSource(QUrl(QString::fromLatin1(kRootPage)));

    // A page that failed to load leaves the view empty; the window keeps the page's size.
    const QSize size = view_->size().isEmpty() ? kPageSize : view_->size();
    view_->resize(size);
    resize(size);

    setUpTray();
}

PlaceholderWindow::~PlaceholderWindow() = default;

void PlaceholderWindow::exitSYS() {
    QCoreApplication::exit(0);
}

void PlaceholderWindow::setUpTray() {
    tray_ = new QSystemTrayIcon(this);

    quitAction_ = new QAction(tr("Quit (&Q)"), this);
    connect(quitAction_, &QAction::triggered, this, &PlaceholderWindow::exitSYS);

    trayMenu_ = new QMenu(this);
    trayMenu_->addAction(quitAction_);
    trayMenu_->setStyleSheet(QString::fromLatin1(kTrayMenuStyle));

    tray_->setContextMenu(trayMenu_);
    tray_->setToolTip(QString::fromLatin1(kProductName));
    // A file that cannot be read leaves the icon empty; start-up goes on. (QIcon loads
    // lazily and is not null for a missing file, so ask it for its images.)
    QIcon icon(QString::fromLatin1(kTrayIconFile));
    if (icon.availableSizes().isEmpty()) {
        icon = QIcon();
    }
    tray_->setIcon(icon);
    tray_->setVisible(true);
}

} // namespace app
