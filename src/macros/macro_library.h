#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>

class UserPrompts;
class ProfileAccess;

// The macro library: one INI file per named macro in <modules>/macro/<name>.bin, holding
// its action lines, loop count, list position and device index, plus the profile keys
// that follow a macro when it is renamed or deleted. The methods are the view host's
// macro slots with their names, argument and result types; the view host forwards to them.
//
// Macro file keys: config/index (list position), config/total (number of action lines),
// config/repeat (loop count), config/did (device index), macro/<i> (action line i).
//
// Macro names become file names, so a name that could leave the macro folder is refused:
// see isSafeMacroName. A refused name gets the slot's failure result and touches nothing.
class MacroLibrary {
  public:
    // Which registry entry is connected: a macro remembers the device it was set for.
    using DeviceIndex = std::function<int()>;

    // Any dependency may be null or empty: without profiles no profile is read or
    // rewritten, without a device index it counts as 0, without dialogs import and export
    // do nothing.
    MacroLibrary(ProfileAccess* profiles, DeviceIndex deviceIndex, UserPrompts* dialogs,
                 const QString& modulesRoot = QStringLiteral("./modules"));

    // Import: replaces the macro's file by a user-chosen .mc file. Returns the chosen path,
    // or " " when nothing was chosen, the macro has no file or the copy failed.
    QVariant loadMacroIniFromFile(const QVariant& name);
    // Export: copies the macro's file to a user-chosen .mc file.
    void saveMacroIniToFile(const QVariant& name);
    // Renames the file only; an existing file of newName is never replaced.
    void renameMacroIniFile(const QVariant& oldName, const QVariant& newName);
    // Writes config index/total/repeat/did (other keys stay); true when written.
    QVariant createMacroIni(const QVariant& name, const QVariant& macroIndex);
    // Renames the file, then the references in profiles 0..5; false when the file is
    // missing or the rename failed, in which case no profile changes.
    QVariant modifyMacroName(const QVariant& oldname, const QVariant& newname);
    // "Name", then the button numbers that play the macro in profiles 0..5.
    QStringList isMacroUse(const QVariant& macroName);
    QVariant deleteMacroIni(const QVariant& name);
    // Replaces the action lines and the loop count of an existing file; macroData is not
    // stored.
    QVariant saveMacroIni(const QVariant& name, const QStringList& macros,
                          const QVariantList& macroData, const QVariant& repeat);
    // The action lines, then the loop count as text; empty without a file.
    QStringList loadMacroIni(const QVariant& name);
    QVariant loadMacroType(const QVariant& name);
    QVariant loadMacroIndex(const QVariant& name);
    // [index, repeat] when the macro was set for the current device, else [-1, repeat].
    QVariantList loadMacroIniConfig(const QVariant& name);
    void setMacroIniConfig(const QVariant& name, const QVariantList& config);
    void setMacroIndex(const QVariant& name, const QVariant& macroIndex);
    void setMacroType(const QVariant& name, const QVariant& macroType);
    // After a macro was deleted: in profiles 0..5 but the current one, macro buttons 0..6
    // whose macro (macro/<button>) has no file any more get their fallback assignment.
    // Slot bytes are the buttons' own slots and stay; macroIndex, the deleted macro's list
    // position + 1, is not needed for that.
    void changeMacroFileIndex(const QVariant& macroIndex);
    // In profiles 0..5 but the current one, macro buttons 0..6 playing macro number macroIndex
    // get play type 2 for macroType 1, else 0.
    void changeMacroFileType(const QVariant& macroIndex, const QVariant& macroType);

    // For the device facade's macro-key commands: config/repeat of the macro as a 16-bit
    // count, 1 when the file, the key or a usable name is missing.
    quint16 loadMacroRepeat(const QVariant& name) const;

    // <modules>/macro/<name>.bin; empty for a refused name.
    QString macroFilePath(const QString& name) const;
    // The folder the macro files live in.
    QString macroFolder() const { return macroDir_; }
    // False for names that could leave the macro folder or that file systems refuse:
    // empty or blank, "..", path separators, drive and other reserved characters
    // (: * ? " < > |), control, format (bidirectional overrides, invisible marks), lone
    // surrogate and line-separator characters, and device names such as "CON" or "LPT1".
    static bool isSafeMacroName(const QString& name);

    // Profiles whose macro references follow a macro. The profile page offers six.
    static constexpr int kMacroProfileCount = 6;
    // Buttons with a fallback assignment, used when the macro they play is deleted.
    static constexpr int kFallbackButtonCount = 7;

  private:
    // Path of an existing macro file for a usable name, else empty.
    QString existingMacroFile(const QVariant& name) const;
    template <typename Rewrite> void rewriteMacroAssignments(Rewrite rewrite);

    ProfileAccess* profiles_;
    DeviceIndex deviceIndex_;
    UserPrompts* dialogs_;
    QString macroDir_;
};
