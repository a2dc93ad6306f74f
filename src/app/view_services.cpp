#include "view_services.h"

#include <QFileDialog>
#include <QMessageBox>

#include <utility>

ViewServices::ViewServices(std::function<QWidget*()> view, ProfileStore& profiles)
    : view_(std::move(view)), profiles_(profiles),
      // The design leaves these boxes without texts of their own; they would show empty.
      messageTexts_{
          QObject::tr("Macro"),     QObject::tr("Out of memory, some command line has been cut."),
          QObject::tr("Open File"), QObject::tr("Cannot open the file: "),
          QObject::tr("Warning"),   QObject::tr("This replaces the current settings. Continue?")} {}

// The desktop's own dialog where it offers one, modal to the window and placed over it.
QString ViewServices::openFileName(const QString& caption, const QString& dir,
                                   const QString& filter) {
    if (standIn_)
        return standIn_->openFileName(caption, dir, filter);
    return QFileDialog::getOpenFileName(view_(), caption, dir, filter);
}

QString ViewServices::saveFileName(const QString& caption, const QString& dir,
                                   const QString& filter) {
    if (standIn_)
        return standIn_->saveFileName(caption, dir, filter);
    return QFileDialog::getSaveFileName(view_(), caption, dir, filter);
}

QSettings* ViewServices::profileSettings(int position) {
    return profiles_.at(position);
}

QSettings* ViewServices::currentProfile() const {
    return profiles_.current();
}

int ViewServices::currentProfileIndex() const {
    return profiles_.currentIndex();
}

bool ViewServices::viewVisible() const {
    QWidget* view = view_();
    return view && view->isVisible();
}

void ViewServices::warning(const QString& title, const QString& text) {
    if (standIn_) {
        standIn_->warning(title, text);
        return;
    }
    QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
}

bool ViewServices::confirm(const QString& title, const QString& text) {
    if (standIn_)
        return standIn_->confirm(title, text);
    return QMessageBox::warning(nullptr, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}
