// Every store keeps a damaged settings file before its first write replaces it: the
// configuration, the profiles, the name lists, the gun records and the macros. A file is
// kept once however often it is opened, and a link is followed only when it and its target
// are the user's own.
#include "macros/macro_library.h"
#include "store/app_config.h"
#include "store/name_list_store.h"
#include "store/profile_store.h"
#include "store/settings_backup.h"
#include "store_test_support.h"

#include <QRegularExpression>

#include <unistd.h>

class SettingsBackupTest : public QObject {
    Q_OBJECT

    static QList<QByteArray> copies(const ModulesDir& modules, const QString& rel) {
        QList<QByteArray> list;
        const QFileInfo file(modules.path(rel));
        for (const QString& name :
             file.dir().entryList({file.fileName() + ".*.bak"}, QDir::Files, QDir::Name))
            list << ModulesDir::readAt(file.dir().filePath(name));
        return list;
    }

  private slots:
    void eachStoreKeepsTheDamage_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("configuration") << "setting/apConfig.bin";
        QTest::newRow("profile") << "setting/p2.bin";
        QTest::newRow("name lists") << "setting/name.bin";
        QTest::newRow("gun records") << "gun/gunData.bin";
        QTest::newRow("macro") << "macro/M.bin";
    }
    void eachStoreKeepsTheDamage() {
        QFETCH(QString, file);
        ModulesDir modules;
        const QByteArray damage("[x]\nno setting here\n\xff\n");
        modules.write(file, damage);
        {
            // Opened twice before anything is written: one copy.
            AppConfig(modules.root()).settings();
            ProfileStore profiles(modules.root());
            ProfileStore again(modules.root());
            NameListStore names(profiles, modules.root());
            MacroLibrary macros(&profiles, {}, nullptr, modules.root());
            if (file.contains("apConfig")) {
                AppConfig config(modules.root());
                config.settings()->setValue("Q7/profileNo", 1);
            } else if (file.contains("p2")) {
                QVERIFY(profiles.setCurrentIndex(1));
                profiles.setMacroKey(3, "m");
            } else if (file.contains("name")) {
                names.updataNameList(0, {"A", "B"});
            } else if (file.contains("gun")) {
                names.saveGundata({"G", "L-Click", 10, 0, 0, 0});
            } else {
                macros.createMacroIni("M", 0);
            }
        }
        QCOMPARE(copies(modules, file), QList<QByteArray>{damage});
        QVERIFY(iniTextIsClean(modules.read(file)));
    }

    // A link is followed only when both it and its target, a regular file, are the user's.
    void linksOfAnotherUserAreNotFollowed() {
        if (::geteuid() != 0)
            QSKIP("only root can give a link to another user");
        ModulesDir modules;
        QTemporaryDir elsewhere;
        const QString own = elsewhere.filePath("p2.bin");
        ModulesDir::writeAt(own, "[macro]\n0=a\n");
        QVERIFY(QFile::link(own, modules.path("setting/p2.bin")));
        QCOMPARE(
            ::lchown(QFile::encodeName(modules.path("setting/p2.bin")).constData(), 65534, 65534),
            0);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("Not using the settings file .*/p2\\.bin"));
        QVERIFY(beforeWriting(modules.path("setting/p2.bin")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SettingsBackupTest)
#include "settings_backup_test.moc"
