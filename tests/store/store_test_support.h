// A temporary modules folder, reads of what is really on disk, dialog and link doubles.
#pragma once

#include <functional>

#include "store/user_prompts.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

class ModulesDir {
  public:
    ModulesDir() {
        for (const char* sub : {"setting", "gun", "i18n", "img", "macro"})
            QDir().mkpath(root() + "/" + sub);
    }
    QString root() const { return dir_.path() + "/modules"; }
    QString path(const QString& relative) const { return root() + "/" + relative; }
    QString outside(const QString& name) const { return dir_.path() + "/" + name; }
    void write(const QString& relative, const QByteArray& content) const {
        writeAt(path(relative), content);
    }
    static void writeAt(const QString& file, const QByteArray& content) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) >= 0);
    }
    QByteArray read(const QString& relative) const { return readAt(path(relative)); }
    static QByteArray readAt(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

  private:
    QTemporaryDir dir_;
};

// `key` (all keys when empty) as a fresh process reads it: a copy under a new name is parsed
// from disk, not served from the per-process cache the code under test filled.
inline QVariant diskValue(const QString& file, const QString& key = {}) {
    QTemporaryFile copy;
    if (!copy.open() || copy.write(ModulesDir::readAt(file)) < 0)
        return {};
    copy.close();
    const QSettings settings(copy.fileName(), QSettings::IniFormat);
    return key.isEmpty() ? QVariant(settings.allKeys()) : settings.value(key);
}

inline QStringList texts(const QVariantList& list) {
    return QVariant(list).toStringList();
}

class FakeDialogs : public UserPrompts {
  public:
    QString answer;
    int asked = 0;
    QStringList warnings; // "title|text"

    QString openFileName(const QString&, const QString&, const QString&) override {
        return ++asked, answer;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override {
        return ++asked, answer;
    }
    void warning(const QString& title, const QString& text) override {
        warnings << title + "|" + text;
    }
    // The stores ask nothing to be confirmed.
    bool confirm(const QString&, const QString&) override { return false; }
};

// The link as the stores see it: the connected entry, and where the captions went.
struct FakeLink {
    uint deviceIndex = 0;
    QList<QStringList> captionCalls;
    std::function<uint()> index() {
        return [this] { return deviceIndex; };
    }
    std::function<void(const QStringList&)> captions() {
        return [this](const QStringList& texts) { captionCalls << texts; };
    }
};
