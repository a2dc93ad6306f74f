// Shared pieces of the store tests: a temporary modules folder, reads of what is really on
// disk, and doubles for the dialogs and the device link.
#pragma once

#include "file_dialogs.h"
#include "link_info.h"

#include <QDir>
#include <QFile>
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
        QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
        f.write(content);
    }
    QByteArray read(const QString& relative) const { return readAt(path(relative)); }
    static QByteArray readAt(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString& relative) const { return QFile::exists(path(relative)); }

  private:
    QTemporaryDir dir_;
};

// Reads `key` from a private copy of the file's bytes. A QSettings object on the file itself
// could be served from the per-process cache that the code under test filled; a copy under
// a new name is parsed from disk, exactly as a fresh process would.
inline QVariant diskValue(const QString& file, const QString& key) {
    QTemporaryFile copy;
    if (!copy.open())
        return QVariant();
    copy.write(ModulesDir::readAt(file));
    copy.close();
    const QSettings settings(copy.fileName(), QSettings::IniFormat);
    return settings.value(key);
}

inline QStringList diskKeys(const QString& file) {
    QTemporaryFile copy;
    if (!copy.open())
        return {};
    copy.write(ModulesDir::readAt(file));
    copy.close();
    const QSettings settings(copy.fileName(), QSettings::IniFormat);
    return settings.allKeys();
}

class FakeDialogs : public FileDialogs {
  public:
    QString answer;
    QStringList calls; // "open|caption|filter" or "save|caption|filter"
    QStringList dirs;
    QStringList warnings; // "title|text"

    QString openFileName(const QString& caption, const QString& dir,
                         const QString& filter) override {
        calls << QStringLiteral("open|%1|%2").arg(caption, filter);
        dirs << dir;
        return answer;
    }
    QString saveFileName(const QString& caption, const QString& dir,
                         const QString& filter) override {
        calls << QStringLiteral("save|%1|%2").arg(caption, filter);
        dirs << dir;
        return answer;
    }
    void warning(const QString& title, const QString& text) override {
        warnings << title + "|" + text;
    }
};

class FakeLink : public LinkInfo {
  public:
    uint deviceIndex = 0;
    QList<QStringList> captionCalls;

    uint currentDeviceIndex() const override { return deviceIndex; }
    void setNotificationTexts(const QStringList& texts) override { captionCalls << texts; }
};
