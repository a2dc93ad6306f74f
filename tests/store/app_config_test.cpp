#include "store/app_config.h"
#include "store/settings_values.h"
#include "store/store_test_support.h"

#include <QSignalSpy>

class AppConfigTest : public QObject {
    Q_OBJECT

  private slots:
    void absentFileReadsDefaults() {
        ModulesDir modules;
        {
            AppConfig config(modules.root());
            QCOMPARE(config.getProfile(), QVariant(0));
            QCOMPARE(config.loadDeviceApConfig(), QVariantList{8});
            QVERIFY(config.loadApConfig().isEmpty());
        }
        QVERIFY(!QFile::exists(modules.path("setting/apConfig.bin")));
    }
    void windowTitle_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("title");
        const QByteArray names = "name0=T\xc3\xadtulo\nname1=Mouse Suite\n";
        QTest::newRow("Portuguese")
            << "[common]\nlanguage=Portuguese\n" + names << QString::fromUtf8("T\xc3\xadtulo");
        QTest::newRow("lower case") << "[common]\nlanguage=portuguese\n" + names << "Mouse Suite";
        QTest::newRow("comma in title")
            << QByteArray("[common]\nname1=Mouse, Pro\n") << "Mouse, Pro";
    }
    void windowTitle() {
        QFETCH(QByteArray, file);
        QFETCH(QString, title);
        ModulesDir modules;
        modules.write("setting/apConfig.bin", file);
        QCOMPARE(AppConfig::windowTitle(modules.root()), title);
    }
    // Rows: the stored language, the desktop's locale; the language after the first start
    // and after a later start on an English desktop.
    void firstStartFollowsTheDesktop_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("first");
        QTest::newRow("shipped, Chinese desktop") << "English"
                                                  << "zh_CN"
                                                  << "ChineseSimplified";
        QTest::newRow("shipped, Taiwan") << "English"
                                         << "zh_TW"
                                         << "ChineseSimplified";
        QTest::newRow("shipped, German desktop") << "English"
                                                 << "de_DE"
                                                 << "English";
        QTest::newRow("none stored") << ""
                                     << "zh_CN"
                                     << "ChineseSimplified";
        QTest::newRow("chosen in the file") << "ChineseSimplified"
                                            << "en_US"
                                            << "ChineseSimplified";
    }
    void firstStartFollowsTheDesktop() {
        QFETCH(QString, stored);
        QFETCH(QString, locale);
        QFETCH(QString, first);
        ModulesDir modules;
        modules.write("setting/apConfig.bin", stored.isEmpty()
                                                  ? QByteArray("[common]\nname1=M\n")
                                                  : "[common]\nlanguage=" + stored.toUtf8() + "\n");
        AppConfig(modules.root()).followDesktopLanguage(QLocale(locale));
        QCOMPARE(AppConfig(modules.root()).getLang().toString(), first);
        // Once only: the next start keeps what the first gave, whatever the desktop.
        AppConfig(modules.root()).followDesktopLanguage(QLocale("en_US"));
        QCOMPARE(AppConfig(modules.root()).getLang().toString(), first);
    }

    void setProfile_data() {
        QTest::addColumn<QVariant>("given");
        QTest::addColumn<QVariant>("stored"); // invalid: nothing written
        QTest::newRow("text 3") << QVariant(" 3") << QVariant(3);
        QTest::newRow("int 9") << QVariant(9) << QVariant(9);
        QTest::newRow("page double 0") << QVariant(0.0) << QVariant(0);
        QTest::newRow("10") << QVariant(10) << QVariant();
        QTest::newRow("-1") << QVariant(-1) << QVariant();
        QTest::newRow("2.5") << QVariant(2.5) << QVariant();
    }
    void setProfile() {
        QFETCH(QVariant, given);
        QFETCH(QVariant, stored);
        ModulesDir modules;
        { AppConfig(modules.root()).setProfile(given); }
        const QVariant onDisk = diskValue(modules.path("setting/apConfig.bin"), "Q7/profileNo");
        QCOMPARE(onDisk.toString(), stored.toString());
    }
    void optionList() {
        ModulesDir modules;
        {
            AppConfig config(modules.root());
            config.saveApConfig({10, 11, 12, 13, 14});
            config.saveApConfig({"a", "b", "c"});
        }
        QCOMPARE(AppConfig(modules.root()).loadApConfig(), (QVariantList{"a", "b", "c"}));
        // Gaps read as 0; a corrupt count is bounded.
        modules.write("setting/apConfig.bin", "[common]\ntotal=4\n0=x\n2=y\n");
        QCOMPARE(AppConfig(modules.root()).loadApConfig(), (QVariantList{"x", 0, "y", 0}));
        modules.write("setting/apConfig.bin", "[common]\ntotal=2000000000\n");
        QCOMPARE(AppConfig(modules.root()).loadApConfig().size(), kMaxStoredListEntries);
    }
    void resetPutsFactoryCopyAndDropsPendingWrites() {
        ModulesDir modules;
        const QByteArray factory = "[common]\nlanguage=Portuguese\n[Q7]\nprofileNo=0\n";
        modules.write("setting/apConfig.bin", "[Q7]\nprofileNo=1\n[extra]\nkey=1\n");
        {
            AppConfig config(modules.root());
            QSignalSpy replaced(&config, &AppConfig::settingsReplaced);
            config.setProfile(4);
            config.resetApconfig(); // no factory copy: the file and its values stay
            QCOMPARE(replaced.size(), 0);
            QCOMPARE(config.getProfile().toInt(), 4);

            modules.write("setting/apConfigD.bin", factory);
            config.setProfile(5); // pending when the reset comes
            config.resetApconfig();
            QCOMPARE(modules.read("setting/apConfig.bin"), factory);
            QCOMPARE(replaced.size(), 1);
            QCOMPARE(replaced.at(0).at(0).value<QSettings*>(), config.settings());
            QCOMPARE(config.getLang().toString(), QString("Portuguese"));
        }
        QCOMPARE(modules.read("setting/apConfig.bin"), factory);
    }
    // The skin choice shows with two skin folders; files beside them do not count.
    void skinShow() {
        ModulesDir modules;
        QDir(modules.path("img")).removeRecursively();
        QVERIFY(!AppConfig(modules.root()).getIsSkinShow());
        QVERIFY(QDir().mkpath(modules.path("img/skin1")));
        modules.write("img/trayIcon.ico", "x");
        QVERIFY(!AppConfig(modules.root()).getIsSkinShow());
        QVERIFY(QDir().mkpath(modules.path("img/skin2")));
        QVERIFY(AppConfig(modules.root()).getIsSkinShow());
    }
};

QTEST_GUILESS_MAIN(AppConfigTest)
#include "app_config_test.moc"
