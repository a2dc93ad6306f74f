#include "store/name_list_store.h"
#include "store/profile_store.h"
#include "store/store_test_support.h"

namespace {

const QByteArray kGunFile = "[gunData]\nAK=L-Click, 10, 0, 0, 0\n";

} // namespace

class NameListStoreTest : public QObject {
    Q_OBJECT

  private slots:
    void listsRoundTripThroughTheFile_data() {
        QTest::addColumn<QVariant>("kind");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("stored");
        const QStringList awkward{"a, b", " lead", "@at", "quote\"d",
                                  QString::fromUtf8("\xe5\xae\x8f")};
        QTest::newRow("macros") << QVariant(0.0) << "macro/macroName" << awkward << awkward;
        QTest::newRow("one macro, padded")
            << QVariant(0) << "macro/macroName" << QStringList{"jump"}
            << QStringList{"jump", NameListStore::kSentinel};
        QTest::newRow("guns") << QVariant("1") << "gun/gunName" << QStringList{"AK", "M4"}
                              << QStringList{"AK", "M4"};
        QTest::newRow("profiles") << QVariant(2) << "profile/profileName"
                                  << QStringList{"Work0", "Game3"} << QStringList{"Work0", "Game3"};
        QTest::newRow("selected guns")
            << QVariant(3) << "gun/selectGun" << QStringList{"x", "y"} << QStringList{"x", "y"};
        QTest::newRow("unknown kind") << QVariant(4) << "" << QStringList{"x"} << QStringList();
        QTest::newRow("name for a kind")
            << QVariant("macro") << "" << QStringList{"x"} << QStringList();
    }
    void listsRoundTripThroughTheFile() {
        QFETCH(QVariant, kind);
        QFETCH(QString, key);
        QFETCH(QStringList, list);
        QFETCH(QStringList, stored);
        ModulesDir modules;
        const QString file = modules.path("setting/name.bin");
        ProfileStore profiles(modules.root());
        NameListStore names(profiles, modules.root());
        QVERIFY(names.getNameList(kind).isEmpty());
        QCOMPARE(names.updataNameList(kind, list), QVariant(true));
        QCOMPARE(diskValue(file, key).toStringList(), stored);
        QCOMPARE(texts(names.getNameList(kind)), stored);
        // What the pages make of it: the list they gave, never the padding.
        if (!key.isEmpty())
            QCOMPARE(NameListStore::withoutPadding(stored), list);
        QCOMPARE(diskValue(file).toStringList(), key.isEmpty() ? QStringList() : QStringList{key});
        names.updataNameList(kind, {}); // an empty list removes the key
        QVERIFY(diskValue(file).toStringList().isEmpty());
    }
    // Only a one-name list's second entry is padding; a name of that spelling elsewhere is
    // left to the reader.
    void paddingDroppedOnlyWhereItPads() {
        const QString pad = NameListStore::kSentinel;
        QCOMPARE(NameListStore::withoutPadding({"A", pad}), QStringList{"A"});
        QCOMPARE(NameListStore::withoutPadding({pad, "A"}), (QStringList{pad, "A"}));
        QCOMPARE(NameListStore::withoutPadding({"A", pad, "B"}), (QStringList{"A", pad, "B"}));
        QCOMPARE(NameListStore::withoutPadding({}), QStringList());
        QVERIFY(NameListStore::isPadding(pad) && !NameListStore::isPadding("Pad"));
    }
    void gunRecordsAreSavedRenamedRemovedOrRefused() {
        ModulesDir modules;
        ProfileStore profiles(modules.root());
        NameListStore names(profiles, modules.root());
        // A missing gun folder and file are made: the record is not lost.
        names.saveGundata({"AK", "L-Click", 10, 0, 0, 0});
        QCOMPARE(names.getGunDataKey(), QStringList{"AK"});
        QVERIFY(QFile::remove(modules.path("gun/gunData.bin")));

        modules.write("gun/gunData.bin", kGunFile);
        const QString file = modules.path("gun/gunData.bin");
        // Incomplete records and names that are no key are refused.
        names.saveGundata({"short", "L-Click", 10, 0, 0});
        for (const QString name : {"a/b", "a\\b", ""})
            names.saveGundata({name, "L-Click", 10, 0, 0, 0});
        names.modifyGundata(1, {"new", "L-Click", 10, 0, 0, 0}); // no former name
        names.modifyGundata(1, {"new", "L-Click", 10, 0, 0, 0, "AK/x"});
        names.modifyGundata(0, {});
        QCOMPARE(modules.read("gun/gunData.bin"), kGunFile);

        names.saveGundata({"M4", "L-Click", 25, -3, 7, 0});
        QCOMPARE(diskValue(file, "gunData/M4").toStringList(),
                 (QStringList{"L-Click", "25", "-3", "7", "0"}));
        QCOMPARE(names.getGunDataKey(), (QStringList{"AK", "M4"}));

        names.modifyGundata(1, {"M16", "L-Click", 30, 1, 2, 3, "M4"});
        QCOMPARE(diskValue(file).toStringList(), (QStringList{"gunData/AK", "gunData/M16"}));
        QCOMPARE(texts(names.getGunData("M16")), (QStringList{"L-Click", "30", "1", "2", "3"}));

        names.modifyGundata(0, {"M16"});
        QCOMPARE(diskValue(file).toStringList(), QStringList{"gunData/AK"});

        // A rename after the file went missing writes it anew.
        QVERIFY(QFile::remove(file));
        names.modifyGundata(1, {"G3", "L-Click", 5, 0, 0, 0, "AK"});
        QCOMPARE(diskValue(file).toStringList(), QStringList{"gunData/G3"});
    }
    // Where the gun folder cannot be made, a new or renamed record is not dropped
    // without a word.
    void unwritableGunFileIsSaid() {
        ModulesDir modules;
        ProfileStore profiles(modules.root());
        FakeDialogs dialogs;
        NameListStore names(profiles, modules.root(), &dialogs);
        QVERIFY(QDir(modules.path("gun")).removeRecursively());
        modules.write("gun", "a file where the folder should be");
        names.saveGundata({"AK", "L-Click", 10, 0, 0, 0});
        names.modifyGundata(1, {"M16", "L-Click", 30, 1, 2, 3, "AK"});
        names.modifyGundata(0, {"M16"}); // nothing there to delete: nothing to say
        QCOMPARE(dialogs.warnings.size(), 2);
        QVERIFY(dialogs.warnings.first().contains("gunData.bin"));
    }
    void perProfileKeysFollowCurrentProfile() {
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
            profiles.setCurrentIndex(0);
            QCOMPARE(names.getXYSensitive(1), QVariant(4));
        }
        const QString file = modules.path("setting/p3.bin");
        QCOMPARE(diskValue(file).toStringList(), (QStringList{"XYSensitive/1", "selectGun/0"}));
        QCOMPARE(diskValue(file, "XYSensitive/1").toInt(), 7);
        QCOMPARE(diskValue(file, "selectGun/0").toString(), QString("AK"));
        QVERIFY(!QFile::exists(modules.path("setting/p1.bin")));
    }
    void customFilePath() {
        ModulesDir modules;
        modules.write("img/picture.png", "png");
        FakeDialogs dialogs;
        ProfileStore profiles(modules.root());
        NameListStore names(profiles, modules.root(), &dialogs);
        QCOMPARE(names.getCustomFilePath(), QString()); // cancelled
        dialogs.answer = modules.path("img/picture.png");
        QCOMPARE(names.getCustomFilePath(), dialogs.answer);
        QVERIFY(dialogs.warnings.isEmpty());

        dialogs.answer = modules.path("img/gone.png");
        names.setMessageTexts({"0", "1", "Picture", "Cannot read "});
        QCOMPARE(names.getCustomFilePath(), QString());
        QCOMPARE(dialogs.warnings, QStringList{"Picture|Cannot read " + dialogs.answer});
    }
};

QTEST_GUILESS_MAIN(NameListStoreTest)
#include "name_list_store_test.moc"
