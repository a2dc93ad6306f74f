// The macro library against a temporary modules folder. Writes are checked in the file's
// text, which is what a restarted program reads.
#include "macros/macro_library.h"
#include "store/profile_access.h"
#include "store/user_prompts.h"

#include <QDirIterator>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

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

// The lines of an INI file as "section/key=value", in the file's order.
QStringList iniText(const QString& path) {
    QStringList values;
    QString section;
    for (const QString& line : QString::fromUtf8(readFile(path)).split(u'\n', Qt::SkipEmptyParts))
        if (line.startsWith(u'['))
            section = line.mid(1, line.size() - 2);
        else
            values << section + u'/' + line;
    return values;
}

const QByteArray kMacro = "[config]\nindex=2\ntotal=1\nrepeat=3\ndid=0\n\n[macro]\n0=\"1,A\"\n";

} // namespace

// The test is the program's side too: profiles, device link and file dialogs.
class MacroLibraryTest : public QObject, public ProfileAccess, public UserPrompts {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> tmp;
    QString root, modules;
    std::unique_ptr<QSettings> files[10];
    std::unique_ptr<MacroLibrary> lib;
    int current = 0, deviceIndex = 0;
    QString answer; // of the file dialogs
    QStringList dialogs;

    MacroLibrary& start() {
        for (int i = 0; i < 10; ++i)
            files[i] = std::make_unique<QSettings>(profile(i), QSettings::IniFormat);
        lib = std::make_unique<MacroLibrary>(
            this, [this] { return deviceIndex; }, this, modules);
        return *lib;
    }
    void closeProfiles() { // anything left pending reaches the files now
        for (auto& file : files)
            file.reset();
    }
    QString macro(const QString& name) const { return modules + "/macro/" + name + ".bin"; }
    QString profile(int position) const {
        return modules + QStringLiteral("/setting/p%1.bin").arg(position + 1);
    }
    QMap<QString, QByteArray> snapshot() const {
        QMap<QString, QByteArray> all;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            all.insert(path, readFile(path));
        }
        return all;
    }

  public:
    QSettings* profileSettings(int p) override {
        return p >= 0 && p < 10 ? files[p].get() : nullptr;
    }
    int currentProfileIndex() const override { return current; }
    QString saveFileName(const QString& c, const QString& d, const QString& f) override {
        dialogs << QStringList{"save", c, d, f}.join(u'|');
        return answer;
    }
    QString openFileName(const QString& c, const QString& d, const QString& f) override {
        dialogs << QStringList{"open", c, d, f}.join(u'|');
        return answer;
    }
    void warning(const QString& title, const QString& text) override {
        dialogs << QStringList{"warning", title, text}.join(u'|');
    }
    bool confirm(const QString& title, const QString& text) override {
        dialogs << QStringList{"confirm", title, text}.join(u'|');
        return false;
    }

  private slots:
    void init() {
        lib.reset();
        closeProfiles();
        tmp = std::make_unique<QTemporaryDir>();
        root = tmp->path();
        modules = root + "/modules";
        QDir().mkpath(modules + "/macro");
        current = deviceIndex = 0;
        answer.clear();
        dialogs.clear();
    }

    void createSaveAndLoad() {
        start();
        // A macro whose file went missing is written anew by a save, not lost.
        QCOMPARE(lib->saveMacroIni("Gone", {"1,A"}, {}, 1), QVariant(true));
        QCOMPARE(lib->loadMacroIni("Gone"), (QStringList{"1,A", "1"}));
        QVERIFY(QFile::remove(macro("Gone")));
        QVERIFY(snapshot().isEmpty() && dialogs.isEmpty());
        QCOMPARE(lib->createMacroIni("M", 3), QVariant(true));
        QCOMPARE(readFile(macro("M")), "[config]\ndid=-1\nindex=3\nrepeat=1\ntotal=0\n");
        QCOMPARE(lib->loadMacroIni("M"), QStringList{"1"});
        QVERIFY(lib->loadMacroIndex("M") == 3 && lib->loadMacroType("M") == -1);

        // Commas and quotes stay in one text; encoded bytes and longer old lists are not kept.
        QCOMPARE(lib->saveMacroIni("M", {"1,A", "1,, <", "0,50", "3,MS-L"}, {0, 1}, "7"),
                 QVariant(true));
        QCOMPARE(lib->saveMacroIni("M", {"1,, <", "2,' \""}, {0, 1, 1, 0x36}, 2), QVariant(true));
        const QByteArray lines = "\n[macro]\n0=\"1,, <\"\n1=\"2,' \\\"\"\n";
        QCOMPARE(readFile(macro("M")), "[config]\ndid=-1\nindex=3\nrepeat=2\ntotal=2\n" + lines);
        QCOMPARE(lib->loadMacroIni("M"), (QStringList{"1,, <", "2,' \"", "2"}));
        // Creating again resets the config and keeps the rest.
        QCOMPARE(lib->createMacroIni("M", 1), QVariant(true));
        QCOMPARE(readFile(macro("M")), "[config]\ndid=-1\nindex=1\nrepeat=1\ntotal=0\n" + lines);
    }

    void loadReadsTotalLines() {
        const std::pair<QByteArray, QStringList> cases[] = {
            {"[config]\ntotal=2\nrepeat=4\n[macro]\n0=\"1,A\"\n1=\"2,A\"\n2=\"1,B\"\n",
             {"1,A", "2,A", "4"}},
            {"[config]\ntotal=3\nrepeat=1\n[macro]\n1=\"0,20\"\n", {"0", "0,20", "0", "1"}},
            {"", {"0"}},
            // Written by hand without quotes the line reads back as a list; it is one text.
            {"[config]\ntotal=1\n[macro]\n0=1,A\n", {"1,A", "0"}}};
        for (const auto& [file, lines] : cases) {
            init();
            writeFile(macro("M"), file);
            QCOMPARE(start().loadMacroIni("M"), lines);
        }
        // A corrupt count must not make the reader build billions of lines.
        init();
        writeFile(macro("M"), "[config]\ntotal=2147483647\n[macro]\n0=\"1,A\"\n");
        const QStringList lines = start().loadMacroIni("M");
        QVERIFY(lines.size() <= 0x10000 && lines.first() == "1,A");
        QVERIFY(lib->loadMacroIni("Absent").isEmpty());
        // A file that cannot be written is reported, not taken for saved.
        QVERIFY(QDir().mkpath(macro("Blocked")));
        QCOMPARE(lib->createMacroIni("Blocked", 0), QVariant(false));
        QCOMPARE(lib->saveMacroIni("Blocked", {"1,A"}, {}, 1), QVariant(false));
        QVERIFY(dialogs.last().contains("The macro Blocked could not be saved"));
    }

    void configFollowsTheDevice() {
        writeFile(macro("M"), "[config]\nindex=4\nrepeat=300\ndid=1\n");
        writeFile(macro("Bare"), "[config]\n");
        start();
        for (const char* name : {"Absent", "Bare"})
            QVERIFY(lib->loadMacroType(name) == 0 && lib->loadMacroIndex(name) == 0 &&
                    lib->loadMacroRepeat(name) == 1);
        QCOMPARE(lib->loadMacroRepeat("M"), quint16(300));
        QCOMPARE(lib->loadMacroIniConfig("Absent"), QVariantList());
        QCOMPARE(lib->loadMacroIniConfig("Bare"), (QVariantList{-1, 1}));
        QCOMPARE(lib->loadMacroIniConfig("M"), (QVariantList{-1, 300}));
        deviceIndex = 1;
        QCOMPARE(lib->loadMacroIniConfig("M"), (QVariantList{4, 300}));

        deviceIndex = 2;
        lib->setMacroIniConfig("M", {5, 12});
        lib->setMacroIndex("M", 11);
        QCOMPARE(iniText(macro("M")),
                 QStringList({"config/did=2", "config/index=11", "config/repeat=12"}));
        lib->setMacroType("M", 3);
        QCOMPARE(iniText(macro("M")).first(), "config/did=3");
        // A list without the loop count writes nothing; nor does a macro without a file.
        const auto before = snapshot();
        lib->setMacroIniConfig("M", {8});
        lib->setMacroIniConfig("Absent", {1, 1});
        lib->setMacroIndex("Absent", 1);
        lib->setMacroType("Absent", 1);
        QCOMPARE(snapshot(), before);
    }

    // A name that could reach outside the macro folder, that a file system refuses, or that
    // reads unlike the file it names fails in every slot and touches no file.
    void unsafeNamesTouchNothing_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name :
             {QString(), QString("  "), QString(".."), QString("a/b"), QString("a\\b"),
              QString("C:victim"), QString("what?"), QString("CON"), QString("lpt1"),
              QString("tab\tname"), QString("nul").append(QChar(0)),
              QString::fromUtf16(u"evil\u202Etxt.exe"), QString::fromUtf16(u"zero\u200Bwidth"),
              QString::fromUtf16(u"line\u2028two"), QString::fromUtf16(u"para\u2029two"),
              QString("half") + QChar(0xD800)})
            QTest::newRow(name.toUtf8().toPercentEncoding().constData()) << name;
    }
    void unsafeNamesTouchNothing() {
        QFETCH(QString, name);
        writeFile(modules + "/victim.bin", kMacro);
        writeFile(macro("Good"), kMacro);
        writeFile(profile(0), "[macro]\n0=Good\n[keydefine_Q7]\n0=9, 0, 1, 0\n");
        writeFile(root + "/in.mc", "[config]\ntotal=0\n");
        start();
        answer = root + "/in.mc";
        const auto before = snapshot();

        QVERIFY(lib->createMacroIni(name, 1) == false &&
                lib->saveMacroIni(name, {}, {}, 1) == false);
        QVERIFY(lib->loadMacroIni(name).isEmpty() && lib->loadMacroIniConfig(name).isEmpty());
        QVERIFY(lib->loadMacroType(name) == 0 && lib->loadMacroIndex(name) == 0);
        lib->setMacroIniConfig(name, {1, 2});
        lib->setMacroIndex(name, 1);
        lib->setMacroType(name, 1);
        QVERIFY(lib->modifyMacroName(name, "Other") == false);
        QVERIFY(lib->modifyMacroName("Good", name) == false);
        lib->renameMacroIniFile("Good", name);
        lib->renameMacroIniFile(name, "Other");
        QVERIFY(lib->deleteMacroIni(name) == false && lib->loadMacroIniFromFile(name) == " ");
        lib->saveMacroIniToFile(name);
        closeProfiles();
        QCOMPARE(snapshot(), before);
        QVERIFY(dialogs.isEmpty());
    }

    void ordinaryNamesAreFileNames() {
        QStringList names{"My macro (2)", QString::fromUtf16(u"宏 1"), "a.b", "CONSOLE", ".x"};
        for (const QString& name : names)
            QCOMPARE(start().createMacroIni(name, 0), QVariant(true));
        QStringList files = QDir(modules + "/macro").entryList(QDir::Files | QDir::Hidden);
        files.replaceInStrings(".bin", "");
        QCOMPARE(QSet(files.begin(), files.end()), QSet(names.begin(), names.end()));
    }

    // Renaming moves the file, then exact references in profiles 0..5 (the current one too);
    // moving the file alone or deleting it touches no profile.
    void renameAndDelete() {
        writeFile(macro("Old"), kMacro);
        writeFile(macro("Taken"), "[config]\n");
        for (int position = 0; position < 7; ++position)
            writeFile(profile(position), "[macro]\n10=Old\n2=Old\n3=Other\n4=old\n5=Old2\n");
        start();
        current = 2;
        files[3]->setValue("macro/7", "Old"); // written in this process
        const auto before = snapshot();
        QVERIFY(lib->modifyMacroName("Old", "Taken") == false &&
                lib->modifyMacroName("Old", "Old") == false);
        QVERIFY(lib->modifyMacroName("Absent", "New") == false);
        lib->renameMacroIniFile("Old", "Taken"); // never replaces another macro
        QCOMPARE(snapshot(), before);
        QCOMPARE(lib->isMacroUse("Old"), (QStringList{"Name", "2", "10", "2", "10", "2", "10", "2",
                                                      "7", "10", "2", "10", "2", "10"}));

        QCOMPARE(lib->modifyMacroName("Old", "New"), QVariant(true));
        QVERIFY(!QFile::exists(macro("Old")) && readFile(macro("New")) == kMacro);
        for (int position = 0; position < 7; ++position) {
            const QString renamed = position < 6 ? "New" : "Old";
            QCOMPARE(iniText(profile(position)),
                     QStringList({"macro/10=" + renamed, "macro/2=" + renamed, "macro/3=Other",
                                  "macro/4=old", "macro/5=Old2"}) +
                         (position == 3 ? QStringList{"macro/7=New"} : QStringList()));
        }
        lib->renameMacroIniFile("New", "C");
        QVERIFY(!QFile::exists(macro("New")) && readFile(macro("C")) == kMacro);
        QVERIFY(lib->deleteMacroIni("C") == true && lib->deleteMacroIni("C") == false);
        QVERIFY(!QFile::exists(macro("C")));
        closeProfiles();
        QCOMPARE(iniText(profile(0))[1], "macro/2=New");
    }

    // After a deletion, buttons 0..6 playing a macro the profile names that is gone fall back,
    // in profiles 0..5 but the current one; slot bytes stay the buttons' own.
    void deletedMacroButtonsFallBack() {
        writeFile(macro("Keep"), kMacro);
        const QByteArray before = "[keydefine_Q7]\n0=9, 0, 1, 0\n1=9, 2, 2, 0\n2=1, 0, 242, 0\n"
                                  "3=9, 0, 4, 0\n4=9, 1, 5, 0\n5=9, 0, 6, 0\n6=9, 0, 7, 0\n"
                                  "7=9, 0, 8, 0\n\n[macro]\n0=Gone\n1=Keep\n2=Gone\n3=Keep\n"
                                  "5=Gone\n6=Gone\n7=Gone\n";
        for (int position = 0; position < 7; ++position)
            writeFile(profile(position), before);
        start();
        current = 1;
        // Lists written in this process come back as variant lists, not texts.
        files[2]->setValue("keydefine_Q7/3", QVariantList{9, 0, 4, 0});
        lib->changeMacroFileIndex(1);
        const QStringList after{"0=1, 0, 240, 0", "1=9, 2, 2, 0", "2=1, 0, 242, 0", "3=9, 0, 4, 0",
                                "4=1, 0, 243, 0", "5=7, 0, 1, 0", "6=7, 0, 2, 0",   "7=9, 0, 8, 0"};
        for (int position : {0, 2, 3, 4, 5})
            QCOMPARE(iniText(profile(position)).mid(0, 8).replaceInStrings("keydefine_Q7/", ""),
                     after);
        closeProfiles();
        QVERIFY(readFile(profile(1)) == before && readFile(profile(6)) == before);
    }

    void playTypeFollowsTheMacro() {
        const QByteArray before =
            "[keydefine_Q7]\n0=9, 0, 4, 0\n1=9, 2, 4, 0\n2=9, 1, 5, 0\n3=1, 0, 4, 0\n";
        writeFile(profile(0), before);
        writeFile(profile(3), before);
        start();
        current = 3;
        for (const auto& [type, byte1] :
             QList<std::pair<int, QString>>{{1, "2"}, {0, "0"}, {2, "0"}, {1, "2"}}) {
            lib->changeMacroFileType(4, type);
            const QString played = QString("9, %1, 4, 0").arg(byte1);
            QCOMPARE(iniText(profile(0)),
                     QStringList({"keydefine_Q7/0=" + played, "keydefine_Q7/1=" + played,
                                  "keydefine_Q7/2=9, 1, 5, 0", "keydefine_Q7/3=1, 0, 4, 0"}));
        }
        closeProfiles();
        QCOMPARE(readFile(profile(3)), before);
    }

    // Export copies the macro's file, import replaces it; whatever goes wrong (cancelled,
    // nothing to copy, its own file, not a file) leaves every file as it was.
    void exportAndImport() {
        // The dialogs open in the documents folder, or home where there is none.
        const QString home = root + "/home";
        QDir().mkpath(home);
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home));
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", oldHome); });
        const QByteArray imported = "[config]\ntotal=2\nrepeat=8\n[macro]\n0=\"1,Q\"\n1=\"2,Q\"\n";
        writeFile(macro("M"), kMacro);
        writeFile(root + "/in.mc", imported);
        writeFile(root + "/out/m.mc",
                  "an older export, longer than the macro file it is replaced by.");
        QDir().mkpath(root + "/folder.mc");
        start();
        const auto before = snapshot();
        for (const QString& choice : {QString(), root + "/absent.mc", root + "/folder.mc"}) {
            answer = choice;
            QCOMPARE(lib->loadMacroIniFromFile("M"), QVariant(" "));
        }
        answer = root + "/in.mc";
        QCOMPARE(lib->loadMacroIniFromFile("Absent"), QVariant(" "));
        for (const QString& choice : {QString(), macro("M"), root + "/no/dir/m.mc"}) {
            answer = choice;
            lib->saveMacroIniToFile("M");
        }
        lib->saveMacroIniToFile("Absent"); // asks nothing
        QCOMPARE(snapshot(), before);
        // The two picks that are no file are refused with a sentence each, and so is an
        // export that could not be written.
        QCOMPARE(dialogs.size(), 10);
        QVERIFY(dialogs.last().contains("could not be written to " + root + "/no/dir/m.mc"));
        QVERIFY(dialogs.at(2).contains("Cannot open the file: " + root + "/absent.mc"));
        QVERIFY(
            dialogs.at(4).contains("Not a regular file; nothing was read: " + root + "/folder.mc"));

        answer = root + "/out/m.mc";
        lib->saveMacroIniToFile("M");
        QCOMPARE(readFile(answer), kMacro);
        QCOMPARE(dialogs.last(), "save|Save File|" + home + "|Macro(*.mc)");
        answer = root + "/in.mc";
        QVERIFY(QDir().mkpath(home + "/Documents"));
        QCOMPARE(lib->loadMacroIniFromFile("M"), QVariant(answer));
        QCOMPARE(dialogs.last(), "open|Open File|" + home + "/Documents|Macro(*.mc)");
        // Named without its suffix, the export gets it.
        answer = root + "/out/plain";
        lib->saveMacroIniToFile("M");
        QCOMPARE(readFile(answer + ".mc"), imported);
        answer = macro("M"); // its own file: changes nothing, still succeeds
        QCOMPARE(lib->loadMacroIniFromFile("M"), QVariant(answer));
        QCOMPARE(readFile(macro("M")), imported);
    }
};

QTEST_GUILESS_MAIN(MacroLibraryTest)
#include "macro_library_test.moc"
