#include "store/profile_store.h"
#include "store/store_test_support.h"

#include <QLockFile>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// A profile whose button 0 carries `tag`; `lines` pads it to a chosen size.
QByteArray profileText(const QByteArray& tag, int lines = 0) {
    QByteArray text = "[keydefine_Q7]\n0=" + tag + ", 0, 240, 0\n[pad]\n";
    for (int i = 0; i < lines; ++i)
        text += "k" + QByteArray::number(i) + "=" + tag + "\n";
    return text;
}

QString button0(const QString& file) {
    return diskValue(file, "keydefine_Q7/0").toStringList().value(0);
}

} // namespace

class ProfileStoreTest : public QObject {
    Q_OBJECT

  private slots:
    void copyProfileTakesPendingWritesAndRefreshesTheTarget() {
        ModulesDir modules;
        modules.write("setting/p2.bin", profileText("2"));
        modules.write("setting/p3.bin", profileText("3"));
        ProfileStore store(modules.root());
        store.setCurrentIndex(1);
        QCOMPARE(texts(store.getKeydefine(0)).value(0), QString("2"));
        store.at(2)->setValue("macro/4", "burst"); // pending in the source
        store.copyProfile(1, 2);
        QCOMPARE(texts(store.getKeydefine(0)).value(0), QString("3"));
        QCOMPARE(diskValue(modules.path("setting/p2.bin"), "macro/4").toString(), QString("burst"));
        QCOMPARE(modules.read("setting/p3.bin"), modules.read("setting/p2.bin"));
    }
    void outOfRangeProfilesAreRefused() {
        ModulesDir modules;
        modules.write("setting/p1.bin", profileText("1"));
        modules.write("setting/pD.bin", profileText("D"));
        FakeDialogs dialogs;
        dialogs.answer = modules.outside("chosen.pf");
        ModulesDir::writeAt(dialogs.answer, profileText("F"));
        ProfileStore store(modules.root(), {}, &dialogs);
        QVERIFY(!store.loadProfile(-1));
        QVERIFY(!store.loadProfile(10));
        store.saveProfile(10);
        store.resetProfile(10);
        store.copyProfile(10, 0);
        store.copyProfile(0, -1);
        QVERIFY(!store.setCurrentIndex(10));
        QCOMPARE(dialogs.asked, 0);
        QCOMPARE(modules.read("setting/p1.bin"), profileText("1"));
        QCOMPARE(QDir(modules.path("setting")).entryList(QDir::Files).size(), 2);
    }
    void resetGivesFactoryButtonsAndDropsStaleWrites() {
        ModulesDir modules;
        modules.write("setting/p1.bin", "[keydefine_Q7]\n0=9, 2, 1, 0\n");
        modules.write("setting/pD.bin", profileText("1"));
        {
            ProfileStore store(modules.root());
            store.setMacroKey(0, "stale"); // pending when the reset comes
            store.resetProfile(0);
            QCOMPARE(texts(store.getKeydefine(0)), (QStringList{"1", "0", "240", "0"}));
            QCOMPARE(store.getMacroKey(0), QVariant(0));
        }
        QCOMPARE(modules.read("setting/p1.bin"), profileText("1"));

        // Without a factory profile the profile and its pending writes stay.
        QFile::remove(modules.path("setting/pD.bin"));
        {
            ProfileStore store(modules.root());
            store.setMacroKey(1, "mine");
            store.resetProfile(0);
        }
        QCOMPARE(diskValue(modules.path("setting/p1.bin"), "macro/1").toString(), QString("mine"));
        QCOMPARE(button0(modules.path("setting/p1.bin")), QString("1"));
    }
    void loadProfileRefuses_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file is chosen, or it is missing
        QTest::addColumn<QString>("chosen");
        QTest::newRow("cancelled") << QByteArray() << QString();
        QTest::newRow("missing") << QByteArray() << "missing.pf";
        QTest::newRow("empty") << QByteArray() << "chosen.pf";
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe=\x01", 20)
                                << "chosen.pf";
        QTest::newRow("another program's INI")
            << QByteArray("[General]\nwindowState=2\n[sensor]\ndpi=800\n") << "chosen.pf";
        QTest::newRow("too large") << profileText("F", 150000) << "chosen.pf";
    }
    void loadProfileRefuses() {
        QFETCH(QByteArray, content);
        QFETCH(QString, chosen);
        ModulesDir modules;
        modules.write("setting/p1.bin", profileText("1"));
        FakeDialogs dialogs;
        if (!chosen.isEmpty())
            dialogs.answer = modules.outside(chosen);
        if (chosen == "chosen.pf")
            ModulesDir::writeAt(dialogs.answer, content);
        ProfileStore store(modules.root(), {}, &dialogs);
        store.setMacroKey(2, "pending");

        QVERIFY(!store.loadProfile(0));
        QCOMPARE(dialogs.warnings.size(), chosen.isEmpty() ? 0 : 1);
        if (!chosen.isEmpty())
            QVERIFY(dialogs.warnings.at(0).endsWith(dialogs.answer));
        QCOMPARE(store.getMacroKey(2).toString(), QString("pending"));
        QCOMPARE(button0(modules.path("setting/p1.bin")), QString("1"));
    }
#ifdef Q_OS_UNIX
    // A pick that is no file: a device that never ends, a pipe nobody writes to (opening
    // it to read would wait for ever), a folder. Refused at once with one sentence.
    void loadProfileRefusesWhatIsNoFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("endless device") << "device";
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("folder") << "folder";
    }
    void loadProfileRefusesWhatIsNoFile() {
        QFETCH(QString, kind);
        ModulesDir modules;
        modules.write("setting/p1.bin", profileText("1"));
        FakeDialogs dialogs;
        dialogs.answer = kind == "device" ? QStringLiteral("/dev/zero") : modules.outside("x.pf");
        if (kind == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(dialogs.answer).constData(), 0600), 0);
        if (kind == "folder")
            QVERIFY(QDir().mkpath(dialogs.answer));
        ProfileStore store(modules.root(), {}, &dialogs);
        QVERIFY(!store.loadProfile(0));
        QCOMPARE(dialogs.warnings.size(), 1);
        QCOMPARE(dialogs.warnings.at(0),
                 "Open File|Not a regular file; nothing was read: " + dialogs.answer);
        QCOMPARE(button0(modules.path("setting/p1.bin")), QString("1"));
    }
#endif

    void importsOfSameSizedFilesAreReadBackAndExportsTakePendingWrites() {
        // Same size and time stamp: a settings object trusting its cache keeps the old profile.
        ModulesDir modules;
        const QString a = modules.outside("a.pf");
        const QString b = modules.outside("b.pf");
        ModulesDir::writeAt(a, profileText("5"));
        ModulesDir::writeAt(b, profileText("6"));
        FakeDialogs dialogs;
        ProfileStore store(modules.root(), {}, &dialogs);
        store.setCurrentIndex(2);
        for (int round = 0; round < 40; ++round) {
            dialogs.answer = round % 2 ? b : a;
            QVERIFY(store.loadProfile(2));
            QCOMPARE(texts(store.getKeydefine(0)).value(0), QString(round % 2 ? "6" : "5"));
        }
        QCOMPARE(modules.read("setting/p3.bin"), ModulesDir::readAt(b));
        // An export takes the pending writes.
        store.setMacroKey(0, "m");
        store.saveProfile(2);
        QCOMPARE(ModulesDir::readAt(b), modules.read("setting/p3.bin"));
        QCOMPARE(diskValue(b, "macro/0").toString(), QString("m"));
        // Named without its suffix, the export gets it: the import's filter lists it.
        dialogs.answer = modules.outside("mine");
        store.saveProfile(2);
        QCOMPARE(ModulesDir::readAt(modules.outside("mine.pf")), modules.read("setting/p3.bin"));
        QVERIFY(!QFile::exists(dialogs.answer));
        dialogs.answer = modules.outside("UPPER.PF");
        store.saveProfile(2);
        QVERIFY(QFile::exists(dialogs.answer));
        // An export that cannot be written says so.
        dialogs.warnings.clear();
        dialogs.answer = modules.outside("no/such/folder/p.pf");
        store.saveProfile(2);
        QCOMPARE(dialogs.warnings.size(), 1);
        QVERIFY(dialogs.warnings.at(0).endsWith("could not be written to " + dialogs.answer));
    }
    void loadDefaultProfile_data() {
        QTest::addColumn<QByteArray>("factory");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("page 3, empty file") << QByteArray() << 3 << QString("2 5 2 5 2").split(' ');
        QTest::newRow("page 3") << QByteArray("[sensor]\nreportRate_Q7=8\ncursorSpeed_Q7=10\n"
                                              "verticalScrollLines_Q7=1000\ndoubleClickSpeed_Q7=6\n"
                                              "dpi_Q7=400, 800, 250, 250\nstage_Q7=4\n"
                                              "[color_Q7]\ntype1=1, 2, 3\ntype2=7, 8\n")
                                << 3
                                << QString("8 10 1000 6 400 800 250 250 4 1 2 3 7 8").split(' ');
        QTest::newRow("page 0") << QByteArray("[keydefine_Q7]\n2=3, 0, 0, 0\n0=1, 0, 240, 0\n") << 0
                                << QString("1 0 240 0 3 0 0 0").split(' ');
    }
    void loadDefaultProfile() {
        QFETCH(QByteArray, factory);
        QFETCH(int, page);
        QFETCH(QStringList, values);
        ModulesDir modules;
        modules.write("setting/pD.bin", factory);
        const QVariantList list = ProfileStore(modules.root()).loadDefaultProfile(uchar(page));
        QCOMPARE(texts(list), values);
        if (page == 3) // scalars come as integers, whatever the file held
            QCOMPARE(list.at(0).typeId(), int(QMetaType::Int));
    }
    void keysGoToTheCurrentProfile() {
        ModulesDir modules;
        modules.write("setting/p5.bin", "[keydefine_Q7]\n0=1, 0, 240, 0\n5=12\n");
        FakeLink link;
        {
            ProfileStore store(modules.root(), link.index());
            QCOMPARE(store.getMacroKey(3), QVariant(0));
            QVERIFY(store.setCurrentIndex(4));
            store.setMacroKey(3, "combo");
            link.deviceIndex = 1;
            QCOMPARE(texts(store.getKeydefine(QVariant(0.0))), (QStringList{"1", "0", "240", "0"}));
            QCOMPARE(texts(store.getKeydefine("5")), QStringList{"12"});
            QVERIFY(store.getKeydefine("0/x").isEmpty());
            link.deviceIndex = 2; // its button table is not kept in the profile
            QVERIFY(store.getKeydefine(0).isEmpty());
        }
        QCOMPARE(diskValue(modules.path("setting/p5.bin"), "macro/3").toString(), QString("combo"));
        QVERIFY(!QFile::exists(modules.path("setting/p1.bin")));
    }
    // The leftovers of killed writers (store_crash_safety kills real ones), made by hand.
    void startClearsWhatKilledWritersLeft() {
        ModulesDir modules;
        modules.write("setting/p1.bin.lock", ""); // killed between creating and filling it
        modules.write("setting/p2.bin.lock",      // a dead owner: no process has that id
                      "999999999\nwriter\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        modules.write("setting/p3.bin.AbCdEf", profileText("3")); // replacement not renamed yet
        QLockFile held(modules.path("setting/p4.bin.lock"));
        QVERIFY(held.tryLock(0));

        const ProfileStore store(modules.root());
        QCOMPARE(QDir(modules.path("setting")).entryList(QDir::Files), QStringList{"p4.bin.lock"});
    }
    // A profile that is a link to the user's own file (a dotfiles folder) is written
    // through; one to a pipe or a missing file is refused, and its target untouched.
    void linkedProfileFiles() {
        ModulesDir modules;
        QTemporaryDir elsewhere;
        const QString own = elsewhere.filePath("p2.bin");
        ModulesDir::writeAt(own, profileText("2"));
        QVERIFY(QFile::link(own, modules.path("setting/p2.bin")));
        // Never a real device: were the check wrong, the file would be renamed over it.
        const QString fifo = elsewhere.filePath("fifo");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(fifo, modules.path("setting/p3.bin")));
        const QString missing = elsewhere.filePath("missing.bin");
        QVERIFY(QFile::link(missing, modules.path("setting/p4.bin")));
        // A pipe itself would block the start for ever.
        QCOMPARE(mkfifo(QFile::encodeName(modules.path("setting/p5.bin")).constData(), 0600), 0);
        for (const char* name : {"p3", "p4", "p5"})
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(QStringLiteral("Not using the settings file .*/%1"
                                                                "\\.bin: it is ")
                                                     .arg(name)));
        {
            ProfileStore store(modules.root());
            for (int profile : {1, 2, 3, 4}) {
                QVERIFY(store.setCurrentIndex(profile));
                store.setMacroKey(3, "combo");
            }
        }
        QCOMPARE(diskValue(own, "macro/3").toString(), QString("combo"));
        QVERIFY(QFileInfo(modules.path("setting/p2.bin")).isSymLink());
        QVERIFY(!QFile::exists(missing));
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    }

    void unreadableFilesAreKeptBeforeAWrite_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("kept");
        QTest::newRow("clean") << QByteArray("\xef\xbb\xbf[macro]\r\n; note\r\n1=a\r\n") << false;
        QTest::newRow("latin-1 name") << QByteArray("[macro]\nn\xe4me=1\n") << true;
        QTest::newRow("utf-16") << QByteArray("\xff\xfe[\0m\0]\0", 8) << true;
        QTest::newRow("nul in a value") << QByteArray("[macro]\n1=a\0b\n", 14) << true;
        QTest::newRow("garbage line") << QByteArray("[macro]\nthis is no setting\n1=a\n") << true;
    }
    // Writing back a file it could not fully read would drop what it did not understand;
    // every damaged version is kept before it is written (a clean file gets no copy), and
    // an older copy never stands in for a newer damage.
    void unreadableFilesAreKeptBeforeAWrite() {
        QFETCH(QByteArray, content);
        QFETCH(bool, kept);
        ModulesDir modules;
        const auto copies = [&] {
            QList<QByteArray> list;
            const QDir dir(modules.path("setting"));
            for (const QString& name : dir.entryList({"p2.bin.*.bak"}, QDir::Files, QDir::Name))
                list << modules.read("setting/" + name);
            return list;
        };
        const auto write = [&] {
            ProfileStore store(modules.root());
            QVERIFY(store.setCurrentIndex(1));
            store.setMacroKey(3, "combo");
        };
        modules.write("setting/p2.bin", content);
        write();
        QCOMPARE(copies(), kept ? QList<QByteArray>{content} : QList<QByteArray>{});
        if (kept) {
            modules.write("setting/p2.bin", "garbage again");
            write();
            write(); // now clean: nothing more to keep
            QCOMPARE(copies(), (QList<QByteArray>{content, "garbage again"}));
            for (int i = 0; i < 6; ++i) {
                modules.write("setting/p2.bin", "damage " + QByteArray::number(i));
                write();
            }
            const QList<QByteArray> last = copies();
            QCOMPARE(last.size(), 5);
            QCOMPARE(last.first(), QByteArray("damage 1"));
            QCOMPARE(last.last(), QByteArray("damage 5"));
        }
    }
};

QTEST_GUILESS_MAIN(ProfileStoreTest)
#include "profile_store_test.moc"
