#include "store/language_store.h"
#include "store/store_test_support.h"

class LanguageStoreTest : public QObject {
    Q_OBJECT

  private slots:
    void chkLanguagesNamesCodes() {
        ModulesDir modules;
        for (const char* name :
             {"lang_025044.ini", "lang_025208.ini", "lang_031225.ini", "lang_042082.ini",
              "lang_xyz000.ini", "lang_999000.ini", "other_031000.ini", "lang_037000.txt"})
            modules.write(QString("i18n/") + name, "");
        QDir().mkpath(modules.path("i18n/lang_091000.ini")); // a folder, not a file

        const QVariantMap expected{{"CHINESE (Simp)", "025044"},
                                   {"CHINESE (Trad)", "025208"},
                                   {"ENGLISH (UNITED STATES)", "031225"},
                                   {"GERMAN (GERMANY)", "042082"},
                                   {"DEFAULT", "xyz000"},
                                   {"UNKNOWN", "999000"}};
        QCOMPARE(LanguageStore(modules.root()).chkLanguages(), expected);
    }
    void groups_data() {
        QTest::addColumn<QVariant>("type");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("expected");
        const QString zh = "lang_025044";
        QTest::newRow("main stops at total") << QVariant(0) << zh << QStringList{"m0", "m1"};
        QTest::newRow("keyMatrix fills gaps") << QVariant("1") << zh << QStringList{"k0", "", "k2"};
        QTest::newRow("keyMenu commas") << QVariant(2) << zh << QStringList{"Hello, world", "x, y"};
        QTest::newRow("macroEditor utf-8")
            << QVariant(3.0) << zh << QStringList{QString::fromUtf8("\xe5\xae\x8f\xe7\xbc\x96")};
        QTest::newRow("gunControl missing group") << QVariant(4) << zh << QStringList();
        QTest::newRow("macroKey negative total") << QVariant(5) << zh << QStringList();
        QTest::newRow("type 7 top level") << QVariant(7) << zh << QStringList{"t0", "t1"};
        QTest::newRow("name: top level") << QVariant("main") << zh << QStringList{"t0", "t1"};
        QTest::newRow("no such file") << QVariant(0) << "lang_031000" << QStringList();
        QTest::newRow("outside the folder") << QVariant(0) << "../setting/secret" << QStringList();
    }
    void groups() {
        QFETCH(QVariant, type);
        QFETCH(QString, code);
        QFETCH(QStringList, expected);
        ModulesDir modules;
        modules.write("i18n/lang_025044.ini", "total=2\n0=t0\n1=t1\n"
                                              "[main]\ntotal=2\n0=m0\n1=m1\n2=m2\n"
                                              "[keyMatrix]\ntotal=3\n0=k0\n2=k2\n"
                                              "[keyMenu]\ntotal=2\n0=Hello, world\n1=\"x, y\"\n"
                                              "[macroEditor]\ntotal=1\n0=\xe5\xae\x8f\xe7\xbc\x96\n"
                                              "[macroKey]\ntotal=-4\n0=a\n");
        modules.write("setting/secret.ini", "[main]\ntotal=1\n0=secret\n");
        FakeLink link;
        LanguageStore store(modules.root(), link.captions());
        QCOMPARE(store.getGlobalStrings(type, code), expected);
        QVERIFY(link.captionCalls.isEmpty());
    }
    void otherGroupSetsNotificationCaptions() {
        ModulesDir modules;
        modules.write("i18n/lang_ten.ini", "[other]\ntotal=10\n0=c0\n1=c1\n2=c2\n3=c3\n4=c4\n"
                                           "5=c5\n6=c6\n7=c7\n8=c8\n9=c9\n");
        modules.write("i18n/lang_three.ini", "[other]\ntotal=3\n0=a\n1=b\n2=c\n");
        FakeLink link;
        LanguageStore store(modules.root(), link.captions());
        QCOMPARE(store.getGlobalStrings(6, "lang_ten").size(), 10);
        QCOMPARE(link.captionCalls,
                 (QList<QStringList>{{"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7"}}));
        store.getGlobalStrings(6, "lang_three");
        store.getGlobalStrings(6, "lang_missing"); // nothing to replace the captions with
        QCOMPARE(link.captionCalls.size(), 2);
        QCOMPARE(link.captionCalls.last(), (QStringList{"a", "b", "c"}));
    }
    void productLayoutStrings() {
        ModulesDir modules;
        modules.write("i18n/lang_025044.ini", "[Q7_133C6AA]\n0=zero\n15=last\n7=seven\n16=over\n");
        modules.write("setting/secret.ini", "[Q7_133C6AA]\n0=secret\n");
        LanguageStore store(modules.root());
        const QStringList expected{"zero", "", "", "", "", "", "", "seven",
                                   "",     "", "", "", "", "", "", "last"};
        QCOMPARE(store.getProductLayoutStrings_Q7("025044"), expected);
        QCOMPARE(store.getProductLayoutStrings_Q7("031000"), QStringList(16));
        QCOMPARE(store.getProductLayoutStrings_Q7("/../../setting/secret"), QStringList(16));
    }
};

QTEST_GUILESS_MAIN(LanguageStoreTest)
#include "language_store_test.moc"
