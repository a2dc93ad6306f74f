#include "profile_store.h"
#include "store_test_support.h"

#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>

namespace {

QStringList texts(const QVariantList& list) {
    QStringList out;
    for (const QVariant& v : list)
        out << v.toString();
    return out;
}

// A profile whose button 0 carries `tag`; `lines` pads it to a chosen size.
QByteArray profileText(const QByteArray& tag, int lines = 0) {
    QByteArray text = "[keydefine_Q7]\n0=" + tag + ", 0, 240, 0\n[pad]\n";
    for (int i = 0; i < lines; ++i)
        text += "k" + QByteArray::number(i) + "=" + tag + "\n";
    return text;
}

} // namespace

class ProfileStoreTest : public QObject {
    Q_OBJECT

  private slots:
    void copyProfileMakesByteCopies();
    void copyProfileTakesPendingWritesOfSource();
    void copyProfileOntoItselfChangesNothing();
    void outOfRangeProfilesAreRefused_data();
    void outOfRangeProfilesAreRefused();
    void resetGivesFactoryButtonsAndDropsStaleWrites();
    void resetWithoutFactoryKeepsProfile();
    void loadProfileCopiesChosenFile();
    void loadProfileCancelledOrUnreadableChangesNothing();
    void loadProfileRefusesWhatIsNotAProfile_data();
    void loadProfileRefusesWhatIsNotAProfile();
    void importsOfSameSizedFilesAreReadBack();
    void saveProfileReplacesExportWithPendingWrites();
    void loadDefaultProfile_data();
    void loadDefaultProfile();
    void getKeydefine();
    void macroKeysGoToCurrentProfile();
    void startClearsWhatKilledWritersLeft();
    void unreadableFilesAreKeptBeforeAWrite_data();
    void unreadableFilesAreKeptBeforeAWrite();
};

void ProfileStoreTest::copyProfileMakesByteCopies() {
    ModulesDir modules;
    modules.write("setting/p2.bin", profileText("2"));
    modules.write("setting/p3.bin", profileText("3"));
    modules.write("setting/p4.bin", profileText("4"));
    ProfileStore store(modules.root());
    store.setCurrentIndex(1);
    QCOMPARE(texts(store.getKeydefine(0)).value(0), QString("2"));

    store.copyProfile(1, 2);
    QCOMPARE(modules.read("setting/p2.bin"), profileText("3"));
    QCOMPARE(texts(store.getKeydefine(0)).value(0), QString("3"));

    store.copyProfile(3, 1);
    QCOMPARE(modules.read("setting/p4.bin"), profileText("3"));
    QCOMPARE(modules.read("setting/p3.bin"), profileText("3"));
}

void ProfileStoreTest::copyProfileTakesPendingWritesOfSource() {
    ModulesDir modules;
    modules.write("setting/p3.bin", profileText("3"));
    ProfileStore store(modules.root());
    store.setCurrentIndex(2);
    store.setMacroKey(4, "burst");
    store.copyProfile(0, 2);
    QCOMPARE(diskValue(modules.path("setting/p1.bin"), "macro/4").toString(), QString("burst"));
}

void ProfileStoreTest::copyProfileOntoItselfChangesNothing() {
    ModulesDir modules;
    modules.write("setting/p1.bin", profileText("1"));
    ProfileStore store(modules.root());
    store.setMacroKey(0, "kept");
    store.copyProfile(0, 0);
    QCOMPARE(modules.read("setting/p1.bin"), profileText("1"));
    QCOMPARE(store.getMacroKey(0).toString(), QString("kept"));
}

void ProfileStoreTest::outOfRangeProfilesAreRefused_data() {
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::newRow("load -1") << "load" << -1 << 0;
    QTest::newRow("load 10") << "load" << 10 << 0;
    QTest::newRow("save 10") << "save" << 10 << 0;
    QTest::newRow("reset 10") << "reset" << 10 << 0;
    QTest::newRow("copy to 10") << "copy" << 10 << 0;
    QTest::newRow("copy from -1") << "copy" << 0 << -1;
}

void ProfileStoreTest::outOfRangeProfilesAreRefused() {
    QFETCH(QString, op);
    QFETCH(int, a);
    QFETCH(int, b);
    ModulesDir modules;
    modules.write("setting/p1.bin", profileText("1"));
    modules.write("setting/pD.bin", profileText("D"));
    modules.write("chosen.pf", profileText("F"));
    FakeDialogs dialogs;
    dialogs.answer = modules.path("chosen.pf");
    ProfileStore store(modules.root(), nullptr, &dialogs);
    if (op == "load")
        QVERIFY(!store.loadProfile(a));
    else if (op == "save")
        store.saveProfile(a);
    else if (op == "reset")
        store.resetProfile(a);
    else
        store.copyProfile(a, b);
    QVERIFY(dialogs.calls.isEmpty());
    QCOMPARE(modules.read("setting/p1.bin"), profileText("1"));
    QCOMPARE(modules.read("chosen.pf"), profileText("F"));
    QCOMPARE(QDir(modules.path("setting")).entryList(QDir::Files).size(), 2);
}

void ProfileStoreTest::resetGivesFactoryButtonsAndDropsStaleWrites() {
    ModulesDir modules;
    modules.write("setting/p1.bin", "[keydefine_Q7]\n0=9, 2, 1, 0\n");
    modules.write("setting/pD.bin", profileText("1"));
    {
        ProfileStore store(modules.root());
        store.setMacroKey(0, "stale"); // pending when the reset comes
        store.resetProfile(0);
        QCOMPARE(texts(store.getKeydefine(0)), (QStringList{"1", "0", "240", "0"}));
        QCOMPARE(store.getMacroKey(0), QVariant(0));
        QCOMPARE(modules.read("setting/p1.bin"), profileText("1"));
    }
    QCOMPARE(modules.read("setting/p1.bin"), profileText("1"));
}

void ProfileStoreTest::resetWithoutFactoryKeepsProfile() {
    ModulesDir modules;
    modules.write("setting/p1.bin", profileText("7"));
    {
        ProfileStore store(modules.root());
        store.setMacroKey(1, "mine");
        store.resetProfile(0);
        QCOMPARE(store.getMacroKey(1).toString(), QString("mine"));
    }
    const QString file = modules.path("setting/p1.bin");
    QCOMPARE(diskValue(file, "macro/1").toString(), QString("mine"));
    QCOMPARE(diskValue(file, "keydefine_Q7/0").toStringList().value(0), QString("7"));
}

void ProfileStoreTest::loadProfileCopiesChosenFile() {
    ModulesDir modules;
    modules.write("setting/p3.bin", profileText("3"));
    const QString chosen = modules.outside("user profile.pf");
    ModulesDir::writeAt(chosen, profileText("F") + "[macro]\n0=fire\n");
    FakeDialogs dialogs;
    dialogs.answer = chosen;
    ProfileStore store(modules.root(), nullptr, &dialogs);
    store.setCurrentIndex(2);

    QVERIFY(store.loadProfile(2));
    QCOMPARE(dialogs.calls, QStringList{"open|Open File|Profile(*.pf)"});
    QCOMPARE(dialogs.dirs,
             QStringList{QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)});
    QCOMPARE(modules.read("setting/p3.bin"), ModulesDir::readAt(chosen));
    QCOMPARE(store.getMacroKey(0).toString(), QString("fire"));
}

void ProfileStoreTest::loadProfileCancelledOrUnreadableChangesNothing() {
    ModulesDir modules;
    modules.write("setting/p1.bin", profileText("1"));
    FakeDialogs dialogs;
    ProfileStore store(modules.root(), nullptr, &dialogs);
    store.setMacroKey(2, "pending");

    QVERIFY(!store.loadProfile(0)); // cancelled
    dialogs.answer = modules.outside("missing.pf");
    QVERIFY(!store.loadProfile(0)); // cannot be read

    QCOMPARE(dialogs.calls.size(), 2);
    QCOMPARE(store.getMacroKey(2).toString(), QString("pending"));
    QCOMPARE(texts(store.getKeydefine(0)).value(0), QString("1"));
    QCOMPARE(diskValue(modules.path("setting/p1.bin"), "keydefine_Q7/0").toStringList().value(0),
             QString("1"));
}

void ProfileStoreTest::loadProfileRefusesWhatIsNotAProfile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe=\x01", 20);
    QTest::newRow("another program's INI")
        << QByteArray("[General]\nwindowState=2\n[sensor]\ndpi=800\n");
    QTest::newRow("too large") << profileText("F", 150000);
}

void ProfileStoreTest::loadProfileRefusesWhatIsNotAProfile() {
    QFETCH(QByteArray, content);
    ModulesDir modules;
    modules.write("setting/p1.bin", profileText("1"));
    const QString chosen = modules.outside("chosen.pf");
    ModulesDir::writeAt(chosen, content);
    FakeDialogs dialogs;
    dialogs.answer = chosen;
    ProfileStore store(modules.root(), nullptr, &dialogs);
    store.setMacroKey(2, "pending");

    QVERIFY(!store.loadProfile(0));
    QCOMPARE(dialogs.warnings.size(), 1);
    QVERIFY(dialogs.warnings.at(0).endsWith(chosen));
    QCOMPARE(store.getMacroKey(2).toString(), QString("pending"));
    QCOMPARE(diskValue(modules.path("setting/p1.bin"), "keydefine_Q7/0").toStringList().value(0),
             QString("1"));
}

void ProfileStoreTest::importsOfSameSizedFilesAreReadBack() {
    // Same size and, within one clock tick, the same time stamp: a settings object that
    // trusted its cache would keep answering with the previous profile.
    ModulesDir modules;
    const QString a = modules.outside("a.pf");
    const QString b = modules.outside("b.pf");
    ModulesDir::writeAt(a, profileText("5"));
    ModulesDir::writeAt(b, profileText("6"));
    FakeDialogs dialogs;
    ProfileStore store(modules.root(), nullptr, &dialogs);
    for (int round = 0; round < 40; ++round) {
        const bool even = round % 2 == 0;
        dialogs.answer = even ? a : b;
        QVERIFY(store.loadProfile(0));
        QCOMPARE(texts(store.getKeydefine(0)).value(0), QString(even ? "5" : "6"));
    }
}

void ProfileStoreTest::saveProfileReplacesExportWithPendingWrites() {
    ModulesDir modules;
    modules.write("setting/p3.bin", profileText("3"));
    const QString target = modules.outside("export.pf");
    ModulesDir::writeAt(target, "[old]\njunk=1\n");
    FakeDialogs dialogs;
    ProfileStore store(modules.root(), nullptr, &dialogs);
    store.setCurrentIndex(2);
    store.setMacroKey(0, "m");

    store.saveProfile(2); // cancelled
    QCOMPARE(ModulesDir::readAt(target), QByteArray("[old]\njunk=1\n"));

    dialogs.answer = target;
    store.saveProfile(2);
    QCOMPARE(dialogs.calls.last(), QString("save|Save File|Profile(*.pf)"));
    QCOMPARE(ModulesDir::readAt(target), modules.read("setting/p3.bin"));
    QCOMPARE(diskValue(target, "macro/0").toString(), QString("m"));
    QVERIFY(!diskValue(target, "old/junk").isValid());

    const QByteArray exported = ModulesDir::readAt(target);
    store.saveProfile(5); // p6.bin does not exist: the export stays
    QCOMPARE(ModulesDir::readAt(target), exported);
}

void ProfileStoreTest::loadDefaultProfile_data() {
    QTest::addColumn<QByteArray>("factory");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("values");
    const QStringList sensorDefaults{"2", "5", "2", "5", "2"};
    QTest::newRow("page 3, empty file") << QByteArray() << 3 << sensorDefaults;
    QTest::newRow("page 3") << QByteArray("[sensor]\nreportRate_Q7=8\ncursorSpeed_Q7=10\n"
                                          "verticalScrollLines_Q7=1000\ndoubleClickSpeed_Q7=6\n"
                                          "dpi_Q7=400, 800, 250, 250\nstage_Q7=4\n"
                                          "[color_Q7]\ntype1=1, 2, 3\ntype2=7, 8\n")
                            << 3 << QStringList{"8",   "10", "1000", "6", "400", "800", "250",
                                                "250", "4",  "1",    "2", "3",   "7",   "8"};
    QTest::newRow("page 0") << QByteArray("[keydefine_Q7]\n2=3, 0, 0, 0\n0=1, 0, 240, 0\n") << 0
                            << QStringList{"1", "0", "240", "0", "3", "0", "0", "0"};
    QTest::newRow("page 2") << QByteArray("[color_Q7]\nledEffect=2, 3, 0\ntype0=9, 8\n") << 2
                            << QStringList{"9", "8", "2", "3", "0"};
    QTest::newRow("page 1") << QByteArray("[color_Q7]\ntype0=9, 8\n") << 1 << QStringList();
}

void ProfileStoreTest::loadDefaultProfile() {
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

void ProfileStoreTest::getKeydefine() {
    ModulesDir modules;
    modules.write("setting/p1.bin", "[keydefine_Q7]\n0=1, 0, 240, 0\n5=12\n");
    FakeLink link;
    ProfileStore store(modules.root(), &link);

    link.deviceIndex = 1;
    QCOMPARE(texts(store.getKeydefine(0)), (QStringList{"1", "0", "240", "0"}));
    QCOMPARE(texts(store.getKeydefine(QVariant(0.0))), (QStringList{"1", "0", "240", "0"}));
    QCOMPARE(texts(store.getKeydefine("5")), QStringList{"12"});
    QVERIFY(store.getKeydefine(7).isEmpty());
    QVERIFY(store.getKeydefine("0/x").isEmpty());

    link.deviceIndex = 2;
    QVERIFY(store.getKeydefine(0).isEmpty());
}

void ProfileStoreTest::macroKeysGoToCurrentProfile() {
    ModulesDir modules;
    {
        ProfileStore store(modules.root());
        QCOMPARE(store.getMacroKey(3), QVariant(0));
        QVERIFY(store.setCurrentIndex(4));
        QVERIFY(!store.setCurrentIndex(10));
        QCOMPARE(store.currentIndex(), 4);
        store.setMacroKey(3, "combo");
    }
    QCOMPARE(diskValue(modules.path("setting/p5.bin"), "macro/3").toString(), QString("combo"));
    QVERIFY(!modules.exists("setting/p1.bin"));
}

// Kills at random moments of writes are covered by store_crash_safety; these are the
// leftovers such kills produce, made by hand.
void ProfileStoreTest::startClearsWhatKilledWritersLeft() {
    ModulesDir modules;
    modules.write("setting/p1.bin.lock", ""); // killed between creating and filling it
    // A process id above any the system gives, on this machine: a dead owner.
    modules.write("setting/p2.bin.lock",
                  "999999999\nwriter\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    modules.write("setting/p3.bin.AbCdEf", profileText("3")); // replacement not renamed yet
    QLockFile held(modules.path("setting/p4.bin.lock"));
    QVERIFY(held.tryLock(0));

    const ProfileStore store(modules.root());
    QCOMPARE(QDir(modules.path("setting")).entryList(QDir::Files), QStringList{"p4.bin.lock"});
}

QTEST_GUILESS_MAIN(ProfileStoreTest)

#include "profile_store_test.moc"

void ProfileStoreTest::unreadableFilesAreKeptBeforeAWrite_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("kept");
    QTest::newRow("clean") << QByteArray("[macro]\r\n; note\r\n1=a\r\n") << false;
    QTest::newRow("latin-1 name") << QByteArray("[macro]\nn\xe4me=1\n") << true;
    QTest::newRow("utf-16") << QByteArray("\xff\xfe[\0m\0]\0", 8) << true;
    QTest::newRow("garbage line") << QByteArray("[macro]\nthis is no setting\n1=a\n") << true;
}

// Writing back a file it could not fully read would drop what it did not understand; the
// bytes are kept once as <file>.bak before the first write, and a clean file gets none.
void ProfileStoreTest::unreadableFilesAreKeptBeforeAWrite() {
    QFETCH(QByteArray, content);
    QFETCH(bool, kept);
    ModulesDir modules;
    modules.write("setting/p2.bin", content);
    {
        ProfileStore store(modules.root());
        QVERIFY(store.setCurrentIndex(1));
        store.setMacroKey(3, "combo");
    }
    QCOMPARE(modules.read("setting/p2.bin.bak"), kept ? content : QByteArray());
    if (kept) {
        // Once: the next damaged version does not replace the first copy.
        modules.write("setting/p2.bin", "garbage again");
        ProfileStore store(modules.root());
        QCOMPARE(modules.read("setting/p2.bin.bak"), content);
    }
}
