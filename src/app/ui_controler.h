// The window controller the pages use to drag, minimise and hide the window, and through
// which the program asks the pages to lock themselves while busy.
#pragma once

#include <QObject>

class QQmlEngine;
class QWidget;
class myQQuickView;
struct ViewParts;

class Ui_Controler : public QObject {
    Q_OBJECT
  public:
    explicit Ui_Controler(QObject* parent = nullptr);

    // Makes `window` the frameless, translucent host of the pages and loads them, into
    // `engine` when one is given (it must outlive the window), else into the view's own.
    void setup(QWidget* window, const ViewParts& parts, QQmlEngine* engine = nullptr);
    myQQuickView* view() const { return view_; }

  public slots:
    void onMinimize();
    void onClose();
    void onXChanged(int x);
    void onYChanged(int y);
    // A press on the page's empty area: the window system moves the window (Wayland, and
    // X11 window managers that offer it; a client cannot place its window on Wayland).
    // False where it cannot (a bare X server): the page then moves it by offsets. After
    // a true the view gets a release of its own, as the move takes the pointer away.
    bool startMove(int x, int y);
    void setBusy(int busyTime);
    void setBusy();

  private:
    QWidget* window_ = nullptr;
    myQQuickView* view_ = nullptr;
};
