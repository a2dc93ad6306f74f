// The macro library against a temporary modules folder: files and their defaults, the
// profile keys that follow renames and deletions, name refusals, import and export, and
// the transfer of page-built images. Writes are checked in the file's text, which is what
// a restarted program reads.
#include "macro_host.h"
#include "macro_library.h"

#include <QDirIterator>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

class FakeProfiles : public ProfileAccess {
  public:
    explicit FakeProfiles(const QString& dir) {
        for (int i = 0; i < 10; ++i)
            files[i] = std::make_unique<QSettings>(dir + QStringLiteral("/p%1.bin").arg(i + 1),
                                                   QSettings::IniFormat);
    }
    QSettings* profileSettings(int position) override {
        return position >= 0 && position < 10 ? files[position].get() : nullptr;
    }
    int currentProfileIndex() const override { return current; }

    std::unique_ptr<QSettings> files[10];
    int current = 0;
};

class FakeDevice : public MacroDevice {
  public:
    int currentDeviceIndex() const override { return index; }
    void sendMacroBlock(int macroId, const QByteArray& block) override {
        sent.append({macroId, block});
    }
    int index = 0;
    QList<std::pair<int, QByteArray>> sent;
};

class FakeDialogs : public MacroFileDialogs {
  public:
    QString getSaveFileName(const QString& c, const QString& d, const QString& f) override {
        calls << QStringList{QStringLiteral("save"), c, d, f};
        return answer;
    }
    QString getOpenFileName(const QString& c, const QString& d, const QString& f) override {
        calls << QStringList{QStringLiteral("open"), c, d, f};
        return answer;
    }
    QString answer;
    QList<QStringList> calls;
};

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// The value texts of an INI file as they stand in it, keyed "section/key".
QMap<QString, QString> iniText(const QString& path) {
    QMap<QString, QString> values;
    QString section;
    for (const QString& line : QString::fromUtf8(readFile(path)).split(u'\n')) {
        if (line.startsWith(u'['))
            section = line.mid(1, line.size() - 2);
        else if (const qsizetype eq = line.indexOf(u'='); eq > 0)
            values.insert(section + u'/' + line.left(eq), line.mid(eq + 1));
    }
    return values;
}

// A modules folder per test. Files written before start() are what the program finds.
struct Sandbox {
    QTemporaryDir tmp;
    QString modules = tmp.path() + QStringLiteral("/modules");
    std::unique_ptr<FakeProfiles> profiles;
    FakeDevice device;
    FakeDialogs dialogs;
    std::unique_ptr<MacroLibrary> lib;

    Sandbox() { QDir().mkpath(modules + QStringLiteral("/macro")); }
    MacroLibrary& start() {
        profiles = std::make_unique<FakeProfiles>(modules + QStringLiteral("/setting"));
        lib = std::make_unique<MacroLibrary>(profiles.get(), &device, &dialogs, modules);
        return *lib;
    }
    QString macro(const QString& name) const { return modules + "/macro/" + name + ".bin"; }
    QString profile(int position) const {
        return modules + QStringLiteral("/setting/p%1.bin").arg(position + 1);
    }
    QMap<QString, QByteArray> snapshot() const {
        QMap<QString, QByteArray> files;
        QDirIterator it(tmp.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, readFile(path));
        }
        return files;
    }
};

const QByteArray kMacro = "[config]\nindex=2\ntotal=1\nrepeat=3\ndid=0\n\n[macro]\n0=\"1,A\"\n";

} // namespace

class MacroLibraryTest : public QObject {
    Q_OBJECT

  private slots:
    void createSaveAndLoad() {
        Sandbox s;
        MacroLibrary& lib = s.start();
        QCOMPARE(lib.saveMacroIni("M", {"1,A"}, {}, 1), QVariant(false));
        QVERIFY(s.snapshot().isEmpty());

        QCOMPARE(lib.createMacroIni("M", 3), QVariant(true));
        const QMap<QString, QString> created{{"config/index", "3"},
                                             {"config/total", "0"},
                                             {"config/repeat", "1"},
                                             {"config/did", "-1"}};
        QCOMPARE(iniText(s.macro("M")), created);
        QCOMPARE(lib.loadMacroIni("M"), QStringList{"1"});
        QCOMPARE(lib.loadMacroIndex("M"), QVariant(3));
        QCOMPARE(lib.loadMacroType("M"), QVariant(-1));

        // Key names with commas and quotes stay one text; the encoded bytes are not kept;
        // a shorter list leaves nothing of the longer one.
        QCOMPARE(lib.saveMacroIni("M", {"1,A", "1,, <", "0,50", "2,' \"", "3,MS-L"}, {0, 1}, "7"),
                 QVariant(true));
        QCOMPARE(lib.saveMacroIni("M", {"1,, <", "2,' \""}, {0, 1, 1, 0x36}, 2), QVariant(true));
        QMap<QString, QString> saved = created;
        saved.insert("config/total", "2");
        saved.insert("config/repeat", "2");
        saved.insert("macro/0", "\"1,, <\"");
        saved.insert("macro/1", "\"2,' \\\"\"");
        QCOMPARE(iniText(s.macro("M")), saved);
        QCOMPARE(lib.loadMacroIni("M"), (QStringList{"1,, <", "2,' \"", "2"}));

        // Creating again resets the config and keeps the rest.
        QCOMPARE(lib.createMacroIni("M", 1), QVariant(true));
        saved.insert("config/index", "1");
        saved.insert("config/total", "0");
        saved.insert("config/repeat", "1");
        QCOMPARE(iniText(s.macro("M")), saved);
    }

    void loadReadsTotalLines_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("total below the stored lines")
            << QByteArray("[config]\ntotal=2\nrepeat=4\n[macro]\n0=\"1,A\"\n1=\"2,A\"\n"
                          "2=\"1,B\"\n3=\"2,B\"\n")
            << QStringList{"1,A", "2,A", "4"};
        QTest::newRow("missing lines read as 0")
            << QByteArray("[config]\ntotal=3\nrepeat=1\n[macro]\n1=\"0,20\"\n")
            << QStringList{"0", "0,20", "0", "1"};
        QTest::newRow("no keys") << QByteArray() << QStringList{"0"};
        QTest::newRow("negative total")
            << QByteArray("[config]\ntotal=-3\nrepeat=2\n") << QStringList{"2"};
        // Written by hand without quotes the line reads back as a list; it is one text.
        QTest::newRow("unquoted line")
            << QByteArray("[config]\ntotal=1\n[macro]\n0=1,A\n") << QStringList{"1,A", "0"};
    }
    void loadReadsTotalLines() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        Sandbox s;
        writeFile(s.macro("M"), file);
        QCOMPARE(s.start().loadMacroIni("M"), expected);
        QCOMPARE(s.lib->loadMacroIni("Absent"), QStringList());
    }

    // A corrupt count must not make the reader build billions of lines.
    void absurdTotalIsBounded() {
        Sandbox s;
        writeFile(s.macro("M"), "[config]\ntotal=2147483647\n[macro]\n0=\"1,A\"\n");
        const QStringList lines = s.start().loadMacroIni("M");
        QVERIFY(lines.size() <= 0x10000);
        QCOMPARE(lines.first(), QStringLiteral("1,A"));
    }

    // A file that cannot be written is reported, not taken for saved.
    void unwritableFileReportsFailure() {
        Sandbox s;
        QVERIFY(QDir().mkpath(s.macro("Blocked")));
        MacroLibrary& lib = s.start();
        QCOMPARE(lib.createMacroIni("Blocked", 0), QVariant(false));
        QCOMPARE(lib.saveMacroIni("Blocked", {"1,A"}, {}, 1), QVariant(false));
    }

    void configFollowsTheDevice() {
        Sandbox s;
        writeFile(s.macro("M"), "[config]\nindex=4\nrepeat=300\ndid=1\n");
        writeFile(s.macro("Bare"), "[config]\n");
        MacroLibrary& lib = s.start();
        for (const char* name : {"Absent", "Bare"}) {
            QCOMPARE(lib.loadMacroType(name), QVariant(0));
            QCOMPARE(lib.loadMacroIndex(name), QVariant(0));
            QCOMPARE(lib.loadMacroRepeat(name), quint16(1));
        }
        QCOMPARE(lib.loadMacroRepeat("M"), quint16(300));
        QCOMPARE(lib.loadMacroIniConfig("Absent"), QVariantList());
        QCOMPARE(lib.loadMacroIniConfig("Bare"), (QVariantList{-1, 1}));
        QCOMPARE(lib.loadMacroIniConfig("M"), (QVariantList{-1, 300}));
        s.device.index = 1;
        QCOMPARE(lib.loadMacroIniConfig("M"), (QVariantList{4, 300}));

        s.device.index = 2;
        lib.setMacroIniConfig("M", {5, 12});
        QCOMPARE(iniText(s.macro("M")),
                 (QMap<QString, QString>{
                     {"config/index", "5"}, {"config/repeat", "12"}, {"config/did", "2"}}));
        lib.setMacroIndex("M", 11);
        lib.setMacroType("M", 3);
        QCOMPARE(iniText(s.macro("M")),
                 (QMap<QString, QString>{
                     {"config/index", "11"}, {"config/repeat", "12"}, {"config/did", "3"}}));

        // A list without the loop count writes nothing; nor does a macro without a file.
        const auto before = s.snapshot();
        lib.setMacroIniConfig("M", {8});
        lib.setMacroIniConfig("Absent", {1, 1});
        lib.setMacroIndex("Absent", 1);
        lib.setMacroType("Absent", 1);
        QCOMPARE(s.snapshot(), before);
    }

    // Names become file names: one that could reach outside the macro folder, or that a
    // file system refuses, gets each slot's failure result and touches no file.
    void unsafeNamesTouchNothing_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name :
             {QString(), QStringLiteral(".."), QStringLiteral("../setting/p1"),
              QStringLiteral("..\\victim"), QStringLiteral("a/b"), QStringLiteral("a..b"),
              QStringLiteral("C:victim"), QStringLiteral("what?"), QStringLiteral("<x>"),
              QStringLiteral("tab\tname"), QStringLiteral("x\x7f"),
              QStringLiteral("nul").append(QChar(0)), QStringLiteral("CON"), QStringLiteral("lpt1"),
              QStringLiteral(" \t "), QString::fromUtf16(u"evil\u202Etxt.exe"),
              QString::fromUtf16(u"a\u2066b"), QString::fromUtf16(u"zero\u200Bwidth"),
              QString::fromUtf16(u"line\u2028two")})
            QTest::newRow(qPrintable(name.toUtf8().toPercentEncoding())) << name;
    }
    void unsafeNamesTouchNothing() {
        QFETCH(QString, name);
        Sandbox s;
        writeFile(s.modules + "/victim.bin", kMacro);
        writeFile(s.macro("Good"), kMacro);
        writeFile(s.profile(0), "[macro]\n0=Good\n[keydefine_Q7]\n0=9, 0, 1, 0\n");
        writeFile(s.tmp.path() + "/in.mc", "[config]\ntotal=0\n");
        MacroLibrary& lib = s.start();
        s.dialogs.answer = s.tmp.path() + "/in.mc";
        const auto before = s.snapshot();

        QCOMPARE(lib.createMacroIni(name, 1), QVariant(false));
        QCOMPARE(lib.saveMacroIni(name, {"1,A"}, {}, 1), QVariant(false));
        QCOMPARE(lib.loadMacroIni(name), QStringList());
        QCOMPARE(lib.loadMacroType(name), QVariant(0));
        QCOMPARE(lib.loadMacroIndex(name), QVariant(0));
        QCOMPARE(lib.loadMacroIniConfig(name), QVariantList());
        lib.setMacroIniConfig(name, {1, 2});
        lib.setMacroIndex(name, 1);
        lib.setMacroType(name, 1);
        QCOMPARE(lib.modifyMacroName(name, "Other"), QVariant(false));
        QCOMPARE(lib.modifyMacroName("Good", name), QVariant(false));
        lib.renameMacroIniFile("Good", name);
        lib.renameMacroIniFile(name, "Other");
        QCOMPARE(lib.deleteMacroIni(name), QVariant(false));
        QCOMPARE(lib.loadMacroIniFromFile(name), QVariant(" "));
        lib.saveMacroIniToFile(name);
        s.profiles.reset();
        QCOMPARE(s.snapshot(), before);
        QVERIFY(s.dialogs.calls.isEmpty());
    }

    void ordinaryNamesAreFileNames() {
        for (const QString& name : {QStringLiteral("Macro_0"), QStringLiteral("My macro (2)"),
                                    QString::fromUtf16(u"宏 1"), QStringLiteral("a.b"),
                                    QStringLiteral("CONSOLE"), QStringLiteral(".x")}) {
            Sandbox s;
            QCOMPARE(s.start().createMacroIni(name, 0), QVariant(true));
            QCOMPARE(QDir(s.modules + "/macro").entryList(QDir::Files | QDir::Hidden),
                     QStringList{name + ".bin"});
        }
    }

    void renameMovesFileThenReferences() {
        Sandbox s;
        writeFile(s.macro("Old"), kMacro);
        for (int position = 0; position < 7; ++position)
            writeFile(s.profile(position), "[macro]\n1=Old\n2=Other\n4=old\n5=Old2\n12=Old\n");
        MacroLibrary& lib = s.start();
        s.profiles->current = 2;
        s.profiles->files[3]->setValue("macro/7", QStringLiteral("Old")); // written in-process

        QCOMPARE(lib.modifyMacroName("Old", "New"), QVariant(true));
        QVERIFY(!QFile::exists(s.macro("Old")));
        QCOMPARE(readFile(s.macro("New")), kMacro);
        // Profiles 0 to 5, the current one too; exact matches only.
        for (int position = 0; position < 7; ++position) {
            const QString renamed = position < 6 ? "New" : "Old";
            QMap<QString, QString> expected{{"macro/1", renamed},
                                            {"macro/2", "Other"},
                                            {"macro/4", "old"},
                                            {"macro/5", "Old2"},
                                            {"macro/12", renamed}};
            if (position == 3)
                expected.insert("macro/7", "New");
            QCOMPARE(iniText(s.profile(position)), expected);
        }
    }

    // A rename that fails leaves the buttons naming the macro whose file is still there.
    void failedRenameKeepsReferences() {
        Sandbox s;
        writeFile(s.macro("Old"), kMacro);
        writeFile(s.macro("Taken"), "[config]\nindex=9\n");
        writeFile(s.profile(0), "[macro]\n0=Old\n1=Taken\n");
        writeFile(s.profile(1), "[macro]\n3=Old\n");
        MacroLibrary& lib = s.start();
        const auto before = s.snapshot();
        QCOMPARE(lib.modifyMacroName("Old", "Taken"), QVariant(false));
        QCOMPARE(lib.modifyMacroName("Old", "Old"), QVariant(false));
        QCOMPARE(lib.modifyMacroName("Absent", "New"), QVariant(false));
        s.profiles.reset(); // anything left pending reaches the files now
        QCOMPARE(s.snapshot(), before);
    }

    void renameFileAndDeleteTouchOnlyTheFile() {
        Sandbox s;
        writeFile(s.macro("A"), kMacro);
        writeFile(s.macro("B"), "[config]\nindex=1\n");
        writeFile(s.profile(0), "[macro]\n0=A\n");
        MacroLibrary& lib = s.start();
        lib.renameMacroIniFile("A", "B"); // never replaces another macro
        QCOMPARE(readFile(s.macro("A")), kMacro);
        QCOMPARE(readFile(s.macro("B")), QByteArray("[config]\nindex=1\n"));
        lib.renameMacroIniFile("A", "C");
        QVERIFY(!QFile::exists(s.macro("A")));
        QCOMPARE(readFile(s.macro("C")), kMacro);

        QCOMPARE(lib.deleteMacroIni("C"), QVariant(true));
        QCOMPARE(lib.deleteMacroIni("C"), QVariant(false));
        QVERIFY(!QFile::exists(s.macro("C")));
        s.profiles.reset();
        QCOMPARE(readFile(s.profile(0)), QByteArray("[macro]\n0=A\n"));
    }

    void isMacroUseListsButtons() {
        Sandbox s;
        writeFile(s.profile(0), "[macro]\n10=M\n2=M\n3=X\n11=m\n");
        writeFile(s.profile(1), "[macro]\n0=M\n");
        writeFile(s.profile(5), "[macro]\n15=M\n");
        writeFile(s.profile(6), "[macro]\n5=M\n");
        MacroLibrary& lib = s.start();
        s.profiles->current = 1;
        QCOMPARE(lib.isMacroUse("M"), (QStringList{"Name", "2", "10", "0", "15"}));
        QCOMPARE(lib.isMacroUse("Unused"), QStringList{"Name"});
    }

    // After a macro was deleted: buttons 0..6 that played it (by the name the profile
    // gives them) fall back, in profiles 0..5 but the current one. Slot bytes are the
    // buttons' own slots and do not move with the list positions.
    void deletedMacroButtonsFallBack() {
        Sandbox s;
        writeFile(s.macro("Keep"), kMacro);
        const QByteArray before = "[keydefine_Q7]\n0=9, 0, 1, 0\n1=9, 2, 2, 0\n2=1, 0, 242, 0\n"
                                  "3=9, 0, 4, 0\n4=9, 1, 5, 0\n5=9, 0, 6, 0\n6=9, 0, 7, 0\n"
                                  "7=9, 0, 8, 0\n\n[macro]\n0=Gone\n1=Keep\n2=Gone\n3=Keep\n"
                                  "5=Gone\n6=Gone\n7=Gone\n";
        for (int position = 0; position < 7; ++position)
            writeFile(s.profile(position), before);
        MacroLibrary& lib = s.start();
        s.profiles->current = 1;
        // Lists written in this process come back as variant lists, not texts.
        s.profiles->files[2]->setValue("keydefine_Q7/3", QVariantList{9, 0, 4, 0});

        lib.changeMacroFileIndex(1);
        QMap<QString, QString> after{
            {"keydefine_Q7/0", "1, 0, 240, 0"}, {"keydefine_Q7/1", "9, 2, 2, 0"},
            {"keydefine_Q7/2", "1, 0, 242, 0"}, {"keydefine_Q7/3", "9, 0, 4, 0"},
            {"keydefine_Q7/4", "1, 0, 243, 0"}, {"keydefine_Q7/5", "7, 0, 1, 0"},
            {"keydefine_Q7/6", "7, 0, 2, 0"},   {"keydefine_Q7/7", "9, 0, 8, 0"}};
        for (int position : {0, 2, 3, 4, 5}) {
            QMap<QString, QString> text = iniText(s.profile(position));
            for (const QString& key : after.keys())
                QCOMPARE(text.value(key), after.value(key));
        }
        s.profiles.reset();
        QCOMPARE(readFile(s.profile(1)), before); // current profile
        QCOMPARE(readFile(s.profile(6)), before);
    }

    void playTypeFollowsTheMacro() {
        Sandbox s;
        const QByteArray before =
            "[keydefine_Q7]\n0=9, 0, 4, 0\n1=9, 2, 4, 0\n2=9, 1, 5, 0\n3=1, 0, 4, 0\n";
        writeFile(s.profile(0), before);
        writeFile(s.profile(3), before);
        MacroLibrary& lib = s.start();
        s.profiles->current = 3;
        for (const auto& [type, byte1] :
             QList<std::pair<int, QString>>{{1, "2"}, {0, "0"}, {2, "0"}, {1, "2"}}) {
            lib.changeMacroFileType(4, type);
            const QMap<QString, QString> expected{{"keydefine_Q7/0", "9, " + byte1 + ", 4, 0"},
                                                  {"keydefine_Q7/1", "9, " + byte1 + ", 4, 0"},
                                                  {"keydefine_Q7/2", "9, 1, 5, 0"},
                                                  {"keydefine_Q7/3", "1, 0, 4, 0"}};
            QCOMPARE(iniText(s.profile(0)), expected);
        }
        s.profiles.reset();
        QCOMPARE(readFile(s.profile(3)), before);
    }

    void sendMacroDataToSlots() {
        Sandbox s;
        MacroLibrary& lib = s.start();
        const QVariantList image{0, 1, 1, 4, 0x81, 4, 0, 0};
        for (const QVariant& index :
             {QVariant(0), QVariant(11.0), QVariant(12), QVariant(-1), QVariant(256 + 3)})
            QCOMPARE(lib.sendMacroData(image, index), QVariant(true));
        QCOMPARE(s.device.sent.size(), 3);
        QCOMPARE(s.device.sent[0].first, 1);
        QCOMPARE(s.device.sent[1].first, 12);
        QCOMPARE(s.device.sent[2].first, 4); // low 8 bits of 259
        QCOMPARE(s.device.sent[0].second,
                 QByteArray::fromHex("0001010481040000").leftJustified(128, '\0'));

        // Too long for the slot: cut at a whole record and still ended. The last action
        // fits; the pause record after it would leave no room for the end mark.
        QVariantList longImage{0, 1};
        for (int i = 0; i < 100; ++i)
            longImage << 0x0A << 0x05 << 0x00 << 0x01 << 0x00 << 0x10;
        lib.sendMacroData(longImage, 5);
        QCOMPARE(s.device.sent.last().second.mid(116),
                 QByteArray::fromHex("0A05000100100A0500000000"));
    }

    void exportCopiesTheFile() {
        Sandbox s;
        writeFile(s.macro("M"), kMacro);
        const QString target = s.tmp.path() + "/out/m.mc";
        writeFile(target, "an older export, longer than the macro file it is replaced by....");
        MacroLibrary& lib = s.start();
        s.dialogs.answer = target;
        lib.saveMacroIniToFile("M");
        QCOMPARE(readFile(target), kMacro);
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        QCOMPARE(s.dialogs.calls,
                 (QList<QStringList>{{"save", "Save File", desktop, "Macro(*.mc)"}}));

        // Cancelled; nothing to export (no dialog); onto the macro's own file; into a
        // missing folder: nothing changes, nothing is lost.
        const auto before = s.snapshot();
        for (const QString& answer : {QString(), s.macro("M"), s.tmp.path() + "/no/dir/m.mc"}) {
            s.dialogs.answer = answer;
            lib.saveMacroIniToFile("M");
            lib.saveMacroIniToFile("Absent");
        }
        QCOMPARE(s.snapshot(), before);
        QCOMPARE(s.dialogs.calls.size(), 4);
    }

    void importReplacesTheFile() {
        Sandbox s;
        writeFile(s.macro("M"), kMacro);
        const QByteArray imported = "[config]\ntotal=2\nrepeat=8\n[macro]\n0=\"1,Q\"\n1=\"2,Q\"\n";
        writeFile(s.tmp.path() + "/in.mc", imported);
        MacroLibrary& lib = s.start();
        QCOMPARE(lib.loadMacroIni("M"), (QStringList{"1,A", "3"}));

        s.dialogs.answer = s.tmp.path() + "/in.mc";
        QCOMPARE(lib.loadMacroIniFromFile("M"), QVariant(s.dialogs.answer));
        QCOMPARE(readFile(s.macro("M")), imported);
        QCOMPARE(lib.loadMacroIni("M"), (QStringList{"1,Q", "2,Q", "8"}));
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        QCOMPARE(s.dialogs.calls[0], (QStringList{"open", "Open File", desktop, "Macro(*.mc)"}));

        s.dialogs.answer = s.macro("M"); // its own file: changes nothing, still succeeds
        QCOMPARE(lib.loadMacroIniFromFile("M"), QVariant(s.dialogs.answer));
        QCOMPARE(readFile(s.macro("M")), imported);
    }

    // Whatever goes wrong, the stored macro stays as it was and the slot says so.
    void failedImportKeepsTheOldFile_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("macro");
        QTest::newRow("cancelled") << QString() << "M";
        QTest::newRow("source missing") << "/absent.mc"
                                        << "M";
        QTest::newRow("source is a folder") << "/folder.mc"
                                            << "M";
        QTest::newRow("macro without file") << "/in.mc"
                                            << "Absent";
    }
    void failedImportKeepsTheOldFile() {
        QFETCH(QString, chosen);
        QFETCH(QString, macro);
        Sandbox s;
        writeFile(s.macro("M"), kMacro);
        writeFile(s.tmp.path() + "/in.mc", "[config]\ntotal=0\n");
        QDir().mkpath(s.tmp.path() + "/folder.mc");
        MacroLibrary& lib = s.start();
        const auto before = s.snapshot();
        s.dialogs.answer = chosen.isEmpty() ? QString() : s.tmp.path() + chosen;
        QCOMPARE(lib.loadMacroIniFromFile(macro), QVariant(" "));
        QCOMPARE(s.snapshot(), before);
        QCOMPARE(lib.loadMacroIni("M"), (QStringList{"1,A", "3"}));
    }
};

QTEST_GUILESS_MAIN(MacroLibraryTest)
#include "macro_library_test.moc"
