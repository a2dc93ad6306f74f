#include "view_services.h"

#include "hid_thread.h"
#include "macro_encoder.h"
#include "macro_image.h"
#include "macro_library.h"

#include <QFileDialog>
#include <QMessageBox>

ViewServices::ViewServices(QWidget* view, AppConfig& config, ProfileStore& profiles)
    : view_(view), config_(config), profiles_(profiles),
      // The design leaves these boxes without texts of their own; they would show empty.
      messageTexts_{
          QObject::tr("Macro"),     QObject::tr("Out of memory, some command line has been cut."),
          QObject::tr("Open File"), QObject::tr("Cannot open the file: "),
          QObject::tr("Warning"),   QObject::tr("This replaces the current settings. Continue?")} {}

uint ViewServices::currentDeviceIndex() const {
    return hid_ ? hid_->currentDeviceIndex() : 1;
}

void ViewServices::setNotificationTexts(const QStringList& texts) {
    if (hid_)
        hid_->dpiNotices().setTexts(texts);
}

void ViewServices::MacroDeviceLink::sendMacroBlock(int macroId, const QByteArray& block) {
    Hid_Thread* hid = owner_.hid_;
    if (!hid)
        return;
    QByteArray data = block;
    data.resize(kMouseMacroBufferSize, '\0');
    hid->hid_13H_SetMacroKey(static_cast<uchar>(macroId), reinterpret_cast<uchar*>(data.data()));
}

// The desktop's own dialog where it offers one, modal to the window and placed over it.
QString ViewServices::openFileName(const QString& caption, const QString& dir,
                                   const QString& filter) {
    if (standIn_)
        return standIn_->openFileName(caption, dir, filter);
    return QFileDialog::getOpenFileName(view_, caption, dir, filter);
}

QString ViewServices::saveFileName(const QString& caption, const QString& dir,
                                   const QString& filter) {
    if (standIn_)
        return standIn_->saveFileName(caption, dir, filter);
    return QFileDialog::getSaveFileName(view_, caption, dir, filter);
}

QSettings* ViewServices::profileSettings(int position) {
    return profiles_.at(position);
}

QSettings* ViewServices::currentProfile() const {
    return profiles_.current();
}

QSettings& ViewServices::currentProfile() {
    return *profiles_.current();
}

QSettings& ViewServices::appConfig() {
    return *config_.settings();
}

int ViewServices::currentProfileIndex() const {
    return profiles_.currentIndex();
}

void ViewServices::setCurrentProfileIndex(int index) {
    profiles_.setCurrentIndex(index);
}

bool ViewServices::viewVisible() const {
    return view_->isVisible();
}

QVariantList ViewServices::loadMacroLines(const QString& name) {
    QVariantList out;
    if (macros_)
        for (const QString& line : macros_->loadMacroIni(name))
            out << line;
    return out;
}

QVariantList ViewServices::encodeMacro(const QVariantList& lines) {
    QStringList text;
    for (const QVariant& v : lines)
        text << v.toString();
    QVariantList out;
    for (uchar b : MacroEncoder::encode(text, static_cast<int>(currentDeviceIndex())))
        out << int(b);
    return out;
}

QVariantList ViewServices::fitMacro(const QVariantList& image, int size) {
    QVariantList out;
    for (uchar b : fitMacroImage(imageFromVariantList(image), size))
        out << int(b);
    return out;
}

quint16 ViewServices::macroRepeat(const QString& name) {
    return macros_ ? macros_->loadMacroRepeat(name) : 1;
}

void ViewServices::warning(const QString& title, const QString& text) {
    if (standIn_) {
        standIn_->warning(title, text);
        return;
    }
    QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
}

bool ViewServices::confirm(const QString& title, const QString& text) {
    return QMessageBox::warning(nullptr, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}

QString ViewServices::messageText(int index) const {
    return messageTexts_.value(index);
}
