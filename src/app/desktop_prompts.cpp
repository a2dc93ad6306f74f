#include "app/desktop_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include <utility>

DesktopPrompts::DesktopPrompts(std::function<QWidget*()> view)
    : view_(std::move(view)),
      // Nothing else gives these boxes their texts; without these they would show empty.
      messageTexts_{
          QObject::tr("Macro"),     QObject::tr("Out of memory, some command line has been cut."),
          QObject::tr("Open File"), QObject::tr("Cannot open the file: "),
          QObject::tr("Warning"),   QObject::tr("This replaces the current settings. Continue?")} {}

// The desktop's own dialog where it offers one, modal to the window and placed over it.
QString DesktopPrompts::openFileName(const QString& caption, const QString& dir,
                                     const QString& filter) {
    if (standIn_)
        return standIn_->openFileName(caption, dir, filter);
    return QFileDialog::getOpenFileName(view_(), caption, dir, filter);
}

QString DesktopPrompts::saveFileName(const QString& caption, const QString& dir,
                                     const QString& filter) {
    if (standIn_)
        return standIn_->saveFileName(caption, dir, filter);
    return QFileDialog::getSaveFileName(view_(), caption, dir, filter);
}

bool DesktopPrompts::viewVisible() const {
    QWidget* view = view_();
    return view && view->isVisible();
}

void DesktopPrompts::warning(const QString& title, const QString& text) {
    if (standIn_) {
        standIn_->warning(title, text);
        return;
    }
    QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
}

bool DesktopPrompts::confirm(const QString& title, const QString& text) {
    if (standIn_)
        return standIn_->confirm(title, text);
    return QMessageBox::warning(nullptr, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}
