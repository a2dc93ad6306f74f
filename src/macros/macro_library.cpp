#include "macros/macro_library.h"

#include "store/picked_file.h"

#include "model/button_table.h"

#include "store/user_prompts.h"

#include <utility>

#include "macros/macro_image.h"
#include "store/file_replace.h"
#include "store/profile_access.h"
#include "store/settings_backup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <array>

Q_LOGGING_CATEGORY(lcMacros, "macros")

namespace {

// A corrupt config/total must not make a reader build millions of lines.
constexpr int kMostMacroLines = 0xFFFF;

// Assignment a button gets back when the macro it plays is deleted: left, right and middle
// mouse button, the fifth and the fourth one, and the two DPI functions.
constexpr int kMacroAssignment = 9;

QString tr(const char* text) {
    return QCoreApplication::translate("myQQuickView", text);
}

// A value as text. A text with commas that was written into the file by hand reads back
// as a list; its parts are joined again.
QString textOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// A stored assignment as exactly four integers; missing values count as 0. Lists come
// back as QVariantList in the writing process and as QStringList after a restart.
std::array<int, 4> assignmentOf(const QVariant& value) {
    std::array<int, 4> bytes{0, 0, 0, 0};
    QVariantList items;
    if (value.canConvert<QVariantList>() && value.typeId() != QMetaType::QString)
        items = value.toList();
    else if (value.isValid())
        items = {value};
    for (qsizetype i = 0; i < std::min<qsizetype>(items.size(), 4); ++i)
        bytes[i] = items.at(i).toInt();
    return bytes;
}

QVariantList toVariantList(const std::array<int, 4>& bytes) {
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

// A macro file is a few kilobytes; an import far beyond that is not one.
constexpr qint64 kMaxMacroFileBytes = 1 << 20;

// Puts `content` at target, written beside it and renamed over it, so the old file stays
// whole when the write fails.
bool replaceWithContent(const QString& target, const QByteArray& content) {
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(content) != content.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

// Puts a byte copy of source (one of our own files) at target.
bool replaceWithCopy(const QString& target, const QString& source) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    return replaceWithContent(target, content);
}

bool isReservedDeviceName(const QString& name) {
    static const QRegularExpression reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$"),
        QRegularExpression::CaseInsensitiveOption);
    return reserved.match(name).hasMatch();
}

} // namespace

MacroLibrary::MacroLibrary(ProfileAccess* profiles, DeviceIndex deviceIndex, UserPrompts* dialogs,
                           const QString& modulesRoot)
    : profiles_(profiles), deviceIndex_(std::move(deviceIndex)), dialogs_(dialogs),
      macroDir_(modulesRoot + QStringLiteral("/macro/")) {
    removeWriteLeftovers(macroDir_);
}

bool MacroLibrary::isSafeMacroName(const QString& name) {
    if (name.trimmed().isEmpty() || name.contains(QStringLiteral("..")) ||
        isReservedDeviceName(name))
        return false;
    for (const QChar c : name) {
        // Format characters include the bidirectional overrides and invisible marks that
        // make a name read differently from the file it names.
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return false;
        default:
            break;
        }
        if (QStringView(u"/\\:*?\"<>|").contains(c))
            return false;
    }
    return true;
}

QString MacroLibrary::macroFilePath(const QString& name) const {
    if (!isSafeMacroName(name))
        return {};
    return macroDir_ + name + QStringLiteral(".bin");
}

QString MacroLibrary::existingMacroFile(const QVariant& name) const {
    const QString path = macroFilePath(name.toString());
    return !path.isEmpty() && QFile::exists(path) ? path : QString();
}

QVariant MacroLibrary::createMacroIni(const QVariant& name, const QVariant& macroIndex) {
    const QString path = macroFilePath(name.toString());
    if (path.isEmpty() || !QDir().mkpath(macroDir_))
        return false;
    QSettings settings(beforeWriting(path), QSettings::IniFormat);
    settings.setValue(QStringLiteral("config/index"), macroIndex.toUInt());
    settings.setValue(QStringLiteral("config/total"), 0);
    settings.setValue(QStringLiteral("config/repeat"), 1);
    settings.setValue(QStringLiteral("config/did"), -1);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QVariant MacroLibrary::saveMacroIni(const QVariant& name, const QStringList& macros,
                                    const QVariantList& macroData, const QVariant& repeat) {
    Q_UNUSED(macroData); // the page re-encodes from the lines; the bytes are not kept
    // A macro the editor shows whose file went missing is written anew, not lost.
    const QString path = macroFilePath(name.toString());
    bool saved = !path.isEmpty() && QDir().mkpath(macroDir_);
    if (saved) {
        QSettings settings(beforeWriting(path), QSettings::IniFormat);
        settings.remove(QStringLiteral("macro"));
        settings.setValue(QStringLiteral("config/total"), macros.size());
        settings.setValue(QStringLiteral("config/repeat"), repeat);
        for (qsizetype i = 0; i < macros.size(); ++i)
            settings.setValue(QStringLiteral("macro/%1").arg(i), macros.at(i));
        settings.sync();
        saved = settings.status() == QSettings::NoError;
    }
    if (!saved && dialogs_ && !path.isEmpty()) // an unusable name never had a file
        dialogs_->warning(tr("Save File"),
                          tr("The macro %1 could not be saved: %2")
                              .arg(name.toString(), QDir::toNativeSeparators(path)));
    return saved;
}

QStringList MacroLibrary::loadMacroIni(const QVariant& name) {
    const QString path = existingMacroFile(name);
    if (path.isEmpty())
        return {};
    QSettings settings(path, QSettings::IniFormat);
    const int total =
        std::clamp(settings.value(QStringLiteral("config/total"), 0).toInt(), 0, kMostMacroLines);
    QStringList lines;
    lines.reserve(total + 1);
    for (int i = 0; i < total; ++i)
        lines << textOf(settings.value(QStringLiteral("macro/%1").arg(i), 0));
    lines << textOf(settings.value(QStringLiteral("config/repeat"), 0));
    return lines;
}

QVariant MacroLibrary::loadMacroType(const QVariant& name) {
    const QString path = existingMacroFile(name);
    if (path.isEmpty())
        return 0;
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("config/did"), 0).toInt();
}

QVariant MacroLibrary::loadMacroIndex(const QVariant& name) {
    const QString path = existingMacroFile(name);
    if (path.isEmpty())
        return 0;
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("config/index"), 0).toInt();
}

QVariantList MacroLibrary::loadMacroIniConfig(const QVariant& name) {
    const QString path = existingMacroFile(name);
    if (path.isEmpty())
        return {};
    QSettings settings(path, QSettings::IniFormat);
    const int did = settings.value(QStringLiteral("config/did"), -1).toInt();
    const int repeat = settings.value(QStringLiteral("config/repeat"), 1).toInt();
    const int deviceIndex = deviceIndex_ ? deviceIndex_() : 0;
    if (did != deviceIndex)
        return {-1, repeat};
    return {settings.value(QStringLiteral("config/index"), -1).toInt(), repeat};
}

void MacroLibrary::setMacroIniConfig(const QVariant& name, const QVariantList& config) {
    const QString path = existingMacroFile(name);
    // Both the index and the loop count are needed; a shorter list writes nothing.
    if (path.isEmpty() || config.size() < 2)
        return;
    QSettings settings(beforeWriting(path), QSettings::IniFormat);
    settings.setValue(QStringLiteral("config/index"), config.at(0));
    settings.setValue(QStringLiteral("config/repeat"), config.at(1));
    settings.setValue(QStringLiteral("config/did"), deviceIndex_ ? deviceIndex_() : 0);
}

void MacroLibrary::setMacroIndex(const QVariant& name, const QVariant& macroIndex) {
    const QString path = existingMacroFile(name);
    if (!path.isEmpty())
        QSettings(beforeWriting(path), QSettings::IniFormat)
            .setValue(QStringLiteral("config/index"), macroIndex);
}

void MacroLibrary::setMacroType(const QVariant& name, const QVariant& macroType) {
    const QString path = existingMacroFile(name);
    if (!path.isEmpty())
        QSettings(beforeWriting(path), QSettings::IniFormat)
            .setValue(QStringLiteral("config/did"), macroType);
}

quint16 MacroLibrary::loadMacroRepeat(const QVariant& name) const {
    const QString path = existingMacroFile(name);
    if (path.isEmpty())
        return 1;
    return quint16(
        QSettings(path, QSettings::IniFormat).value(QStringLiteral("config/repeat"), 1).toUInt());
}

QVariant MacroLibrary::modifyMacroName(const QVariant& oldname, const QVariant& newname) {
    const QString oldText = oldname.toString();
    const QString newText = newname.toString();
    const QString oldPath = existingMacroFile(oldname);
    const QString newPath = macroFilePath(newText);
    if (oldPath.isEmpty() || newPath.isEmpty())
        return false;
    // The file first: buttons must never name a macro whose file is not there.
    if (!QFile::rename(oldPath, newPath))
        return false;

    if (!profiles_)
        return true;
    for (int position = 0; position < kMacroProfileCount; ++position) {
        QSettings* profile = profiles_->profileSettings(position);
        if (!profile)
            continue;
        profile->beginGroup(QStringLiteral("macro"));
        bool changed = false;
        for (const QString& key : profile->childKeys()) {
            if (textOf(profile->value(key)) == oldText) {
                profile->setValue(key, newText);
                changed = true;
            }
        }
        profile->endGroup();
        if (changed)
            profiles_->syncProfile(position);
    }
    return true;
}

void MacroLibrary::renameMacroIniFile(const QVariant& oldName, const QVariant& newName) {
    const QString oldPath = existingMacroFile(oldName);
    const QString newPath = macroFilePath(newName.toString());
    if (!oldPath.isEmpty() && !newPath.isEmpty())
        QFile::rename(oldPath, newPath);
}

QVariant MacroLibrary::deleteMacroIni(const QVariant& name) {
    const QString path = existingMacroFile(name);
    return !path.isEmpty() && QFile::remove(path);
}

QStringList MacroLibrary::isMacroUse(const QVariant& macroName) {
    QStringList uses{QStringLiteral("Name")};
    if (!profiles_)
        return uses;
    const QString name = macroName.toString();
    for (int position = 0; position < kMacroProfileCount; ++position) {
        QSettings* profile = profiles_->profileSettings(position);
        if (!profile)
            continue;
        profile->beginGroup(QStringLiteral("macro"));
        QStringList keys = profile->childKeys();
        // Button order rather than the settings class's text order ("10" before "2").
        std::stable_sort(keys.begin(), keys.end(),
                         [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
        for (const QString& key : keys) {
            if (textOf(profile->value(key)) == name)
                uses << key;
        }
        profile->endGroup();
    }
    return uses;
}

template <typename Rewrite> void MacroLibrary::rewriteMacroAssignments(Rewrite rewrite) {
    if (!profiles_)
        return;
    const int current = profiles_->currentProfileIndex();
    // The current profile is left alone: the pages resend and store it themselves.
    for (int position = 0; position < kMacroProfileCount; ++position) {
        QSettings* profile = profiles_->profileSettings(position);
        if (position == current || !profile)
            continue;
        bool changed = false;
        for (int button = 0; button < kFallbackButtonCount; ++button) {
            const QString key = QStringLiteral("keydefine_Q7/%1").arg(button);
            std::array<int, 4> bytes = assignmentOf(profile->value(key));
            if (bytes[0] != kMacroAssignment)
                continue;
            rewrite(*profile, button, bytes);
            profile->setValue(key, toVariantList(bytes));
            changed = true;
        }
        if (changed)
            profiles_->syncProfile(position);
    }
}

void MacroLibrary::changeMacroFileIndex(const QVariant& macroIndex) {
    // A macro button plays from the mouse's slot numbered like the button (the pages store
    // 09 mode button+1 00), so its slot byte neither names the macro nor moves when list
    // positions do. The macro is the one the profile names under macro/<button>; the
    // deleted list position is not needed to find the buttons that played it.
    Q_UNUSED(macroIndex);
    rewriteMacroAssignments([this](QSettings& profile, int button, std::array<int, 4>& bytes) {
        const QString name = textOf(profile.value(QStringLiteral("macro/%1").arg(button)));
        if (existingMacroFile(name).isEmpty())
            bytes = model::factoryButtons()[std::size_t(button)];
    });
}

void MacroLibrary::changeMacroFileType(const QVariant& macroIndex, const QVariant& macroType) {
    const int number = macroIndex.toInt();
    const int playType = macroType.toInt() == 1 ? 2 : 0;
    rewriteMacroAssignments([number, playType](QSettings&, int, std::array<int, 4>& bytes) {
        if (bytes[2] == number)
            bytes[1] = playType;
    });
}

void MacroLibrary::saveMacroIniToFile(const QVariant& name) {
    const QString source = existingMacroFile(name);
    if (source.isEmpty() || !dialogs_)
        return;
    const QString target = pickedfile::withSuffix(
        dialogs_->saveFileName(tr("Save File"), pickedfile::defaultFolder(), tr("Macro(*.mc)")),
        QStringLiteral(".mc"));
    if (target.isEmpty())
        return;
    if (!replaceWithCopy(target, source)) {
        qCDebug(lcMacros) << "Macro export failed" << target;
        dialogs_->warning(tr("Save File"), tr("The macro could not be written to ") + target);
    }
}

QVariant MacroLibrary::loadMacroIniFromFile(const QVariant& name) {
    const QString failed = QStringLiteral(" ");
    const QString target = macroFilePath(name.toString());
    if (target.isEmpty() || !dialogs_)
        return failed;
    const QString source =
        dialogs_->openFileName(tr("Open File"), pickedfile::defaultFolder(), tr("Macro(*.mc)"));
    if (source.isEmpty() || !QFile::exists(target))
        return failed;
    // Only a regular file, read without blocking and within the bound of a macro file.
    const pickedfile::Content picked = pickedfile::read(source, kMaxMacroFileBytes);
    if (!picked.ok()) {
        dialogs_->warning(tr("Open File"), picked.problem);
        return failed;
    }
    if (!replaceWithContent(target, picked.data)) {
        qCDebug(lcMacros) << "Macro import failed" << source;
        dialogs_->warning(tr("Open File"), tr("The macro could not be stored in ") + target);
        return failed;
    }
    return source;
}
