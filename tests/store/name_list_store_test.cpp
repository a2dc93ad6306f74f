#include "name_list_store.h"
#include "profile_store.h"
#include "store_test_support.h"

#include <QStandardPaths>

namespace {

QStringList texts(const QVariantList& list) {
    QStringList out;
    for (const QVariant& v : list)
        out << v.toString();
    return out;
}

const QByteArray kGunFile = "[gunData]\nAK=L-Click, 10, 0, 0, 0\n";

} // namespace

class NameListStoreTest : public QObject {
    Q_OBJECT

  private slots:
    void oneNameIsPaddedWithSentinel();
    void listsRoundTripThroughTheFile_data();
    void listsRoundTripThroughTheFile();
    void emptyListRemovesKey();
    void unknownKindChangesNothing();
    void gunSlotsWithoutFileDoNothing();
    void gunRecordsAreSavedRenamedAndRemoved();
    void incompleteOrUnsafeGunRecordsAreRefused();
    void perProfileKeysFollowCurrentProfile();
    void customFilePath();
};

void NameListStoreTest::oneNameIsPaddedWithSentinel() {
    ModulesDir modules;
    ProfileStore profiles(modules.root());
    NameListStore names(profiles, modules.root());
    QCOMPARE(names.updataNameList(0, {"jump"}), QVariant(true));
    const QString file = modules.path("setting/name.bin");
    QCOMPARE(diskValue(file, "macro/macroName").toStringList(),
             (QStringList{"jump", "loaderpellam"}));
    QCOMPARE(texts(names.getNameList(0)), (QStringList{"jump", "loaderpellam"}));
}

void NameListStoreTest::listsRoundTripThroughTheFile_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("list");
    QTest::newRow("macros") << 0 << "macro/macroName" << QStringList{"a", "b", "c"};
    QTest::newRow("guns") << 1 << "gun/gunName" << QStringList{"AK", "M4"};
    QTest::newRow("profiles") << 2 << "profile/profileName" << QStringList{"Work0", "Game3"};
    QTest::newRow("selected guns") << 3 << "gun/selectGun" << QStringList{"x", "y"};
    QTest::newRow("awkward names")
        << 0 << "macro/macroName"
        << QStringList{"a, b", " lead", "@at", "quote\"d", QString::fromUtf8("\xe5\xae\x8f")};
}

void NameListStoreTest::listsRoundTripThroughTheFile() {
    QFETCH(int, kind);
    QFETCH(QString, key);
    QFETCH(QStringList, list);
    ModulesDir modules;
    ProfileStore profiles(modules.root());
    NameListStore names(profiles, modules.root());
    names.updataNameList(QVariant(double(kind)), list);
    QCOMPARE(diskValue(modules.path("setting/name.bin"), key).toStringList(), list);
    QCOMPARE(texts(names.getNameList(QString::number(kind))), list);
}

void NameListStoreTest::emptyListRemovesKey() {
    ModulesDir modules;
    modules.write("setting/name.bin", "[profile]\nprofileName=A0, B1\n[macro]\nmacroName=m, n\n");
    ProfileStore profiles(modules.root());
    NameListStore names(profiles, modules.root());
    QCOMPARE(names.updataNameList(2, {}), QVariant(true));
    QVERIFY(names.getNameList(2).isEmpty());
    QCOMPARE(diskKeys(modules.path("setting/name.bin")), QStringList{"macro/macroName"});
}

void NameListStoreTest::unknownKindChangesNothing() {
    ModulesDir modules;
    {
        ProfileStore profiles(modules.root());
        NameListStore names(profiles, modules.root());
        for (int kind = 0; kind < 4; ++kind)
            QVERIFY(names.getNameList(kind).isEmpty());
        names.updataNameList(7, {"x", "y"});
    }
    QVERIFY(!modules.exists("setting/name.bin"));

    const QByteArray before = "[macro]\nmacroName=m, n\n";
    modules.write("setting/name.bin", before);
    ProfileStore profiles(modules.root());
    NameListStore names(profiles, modules.root());
    QCOMPARE(names.updataNameList(7, {"x", "y"}), QVariant(true));
    QCOMPARE(names.updataNameList("macro", {"x", "y"}), QVariant(true));
    QVERIFY(names.getNameList(7).isEmpty());
    QCOMPARE(modules.read("setting/name.bin"), before);
}

void NameListStoreTest::gunSlotsWithoutFileDoNothing() {
    ModulesDir modules;
    ProfileStore profiles(modules.root());
    NameListStore names(profiles, modules.root());
    names.saveGundata({"AK", "L-Click", 10, 0, 0, 0});
    names.modifyGundata(1, {"AK", "L-Click", 10, 0, 0, 0, "M4"});
    QVERIFY(names.getGunData("AK").isEmpty());
    QVERIFY(names.getGunDataKey().isEmpty());
    QVERIFY(!modules.exists("gun/gunData.bin"));
}

void NameListStoreTest::gunRecordsAreSavedRenamedAndRemoved() {
    ModulesDir modules;
    modules.write("gun/gunData.bin", kGunFile);
    const QString file = modules.path("gun/gunData.bin");
    ProfileStore profiles(modules.root());
    NameListStore names(profiles, modules.root());

    names.saveGundata({"M4", "L-Click", 25, -3, 7, 0});
    QCOMPARE(diskValue(file, "gunData/M4").toStringList(),
             (QStringList{"L-Click", "25", "-3", "7", "0"}));
    QCOMPARE(names.getGunDataKey(), (QStringList{"AK", "M4"}));

    names.modifyGundata(1, {"M16", "L-Click", 30, 1, 2, 3, "M4"});
    QVERIFY(!diskValue(file, "gunData/M4").isValid());
    QCOMPARE(diskValue(file, "gunData/M16").toStringList(),
             (QStringList{"L-Click", "30", "1", "2", "3"}));

    names.modifyGundata(1, {"AK", "L-Click", 99, 0, 0, 5, "AK"}); // same name: rewritten
    QCOMPARE(texts(names.getGunData("AK")), (QStringList{"L-Click", "99", "0", "0", "5"}));

    names.modifyGundata(0, {"M16"});
    names.modifyGundata(2, {"AK"});
    QCOMPARE(diskKeys(file), QStringList{"gunData/AK"});
    QVERIFY(names.getGunData("M16").isEmpty());
}

void NameListStoreTest::incompleteOrUnsafeGunRecordsAreRefused() {
    ModulesDir modules;
    modules.write("gun/gunData.bin", kGunFile);
    ProfileStore profiles(modules.root());
    NameListStore names(profiles, modules.root());
    names.saveGundata({"short", "L-Click", 10});
    names.saveGundata({"a/b", "L-Click", 10, 0, 0, 0});
    names.saveGundata({"a\\b", "L-Click", 10, 0, 0, 0});
    names.saveGundata({"", "L-Click", 10, 0, 0, 0});
    names.modifyGundata(1, {"new", "L-Click", 10, 0, 0, 0}); // no former name
    names.modifyGundata(1, {"new", "L-Click", 10, 0, 0, 0, "AK/x"});
    names.modifyGundata(0, {});
    QCOMPARE(modules.read("gun/gunData.bin"), kGunFile);
    QVERIFY(names.getGunData("a/b").isEmpty());
}

void NameListStoreTest::perProfileKeysFollowCurrentProfile() {
    ModulesDir modules;
    {
        ProfileStore profiles(modules.root());
        NameListStore names(profiles, modules.root());
        QCOMPARE(names.getXYSensitive(0), QVariant(4));
        QCOMPARE(names.getselectGun(0), QVariant(QString()));

        profiles.setCurrentIndex(2);
        names.setXYSensitive(1, 7);
        names.setSelectGun(0, "AK");
        names.setXYSensitive("1/x", 9); // not a number: ignored
        QCOMPARE(names.getXYSensitive(1).toInt(), 7);
        QCOMPARE(names.getselectGun(0).toString(), QString("AK"));

        profiles.setCurrentIndex(0);
        QCOMPARE(names.getXYSensitive(1), QVariant(4));
    }
    const QString file = modules.path("setting/p3.bin");
    QCOMPARE(diskValue(file, "XYSensitive/1").toInt(), 7);
    QCOMPARE(diskValue(file, "selectGun/0").toString(), QString("AK"));
    QCOMPARE(diskKeys(file).size(), 2);
    QVERIFY(!modules.exists("setting/p1.bin"));
}

void NameListStoreTest::customFilePath() {
    ModulesDir modules;
    modules.write("img/picture.png", "png");
    FakeDialogs dialogs;
    ProfileStore profiles(modules.root());
    NameListStore names(profiles, modules.root(), &dialogs);

    QCOMPARE(names.getCustomFilePath(), QString()); // cancelled
    QCOMPARE(dialogs.calls, QStringList{"open|Open File|Image Files(*.png)"});
    QCOMPARE(dialogs.dirs,
             QStringList{QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)});
    QVERIFY(dialogs.warnings.isEmpty());

    dialogs.answer = modules.path("img/picture.png");
    QCOMPARE(names.getCustomFilePath(), dialogs.answer);
    QVERIFY(dialogs.warnings.isEmpty());

    dialogs.answer = modules.path("img/gone.png");
    QCOMPARE(names.getCustomFilePath(), QString());
    QCOMPARE(dialogs.warnings.size(), 1);
    QVERIFY(dialogs.warnings.at(0).endsWith(dialogs.answer));

    names.setMessageTexts({"0", "1", "Picture", "Cannot read "});
    QCOMPARE(names.getCustomFilePath(), QString());
    QCOMPARE(dialogs.warnings.at(1), "Picture|Cannot read " + dialogs.answer);
}

QTEST_GUILESS_MAIN(NameListStoreTest)
#include "name_list_store_test.moc"
