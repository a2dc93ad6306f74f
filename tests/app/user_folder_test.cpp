// Where the configurator keeps its settings: beside itself if it may write there, else in a
// seeded per-user folder. Read-only means nothing to root: as root it reruns as "nobody".
#include "app/single_application.h"
#include "app/user_folder.h"
#include "store/store_test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class UserFolderTest : public QObject {
    Q_OBJECT
  private slots:
    void programFolderOrASeededUserFolder() {
        if (::geteuid() == 0) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                    QCoreApplication::applicationFilePath()});
            QVERIFY(child.waitForFinished(60000));
            QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
            return;
        }
        QTemporaryDir dir;
        const QString program = dir.filePath("program");
        const QString installed = program + "/modules/setting/apConfig.bin";
        QDir().mkpath(program + "/modules/macro");
        QDir().mkpath(program + "/modules/setting");
        ModulesDir::writeAt(installed, "[common]\nlanguage=English\n");
        // Installed files are read-only; the user's copy must not be.
        QFile::setPermissions(installed, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        qputenv("HOME", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", "relative/config"); // not to be used: ~/.config is
        const QString user = dir.filePath(".config/mouse-suite");

        userfolder::Choice choice = userfolder::choose(program);
        QCOMPARE(choice.folder, program);
        QVERIFY(!choice.perUser && !QFileInfo::exists(user));

        // Either folder it writes being read-only is enough: first the macros...
        const auto readOnly = [&](const QString& sub, bool yes) {
            QFile::setPermissions(program + "/modules/" + sub,
                                  QFile::ReadOwner | QFile::ExeOwner |
                                      (yes ? QFile::Permissions() : QFile::WriteOwner));
        };
        readOnly("macro", true);
        choice = userfolder::choose(program);
        QCOMPARE(choice.folder, user);
        QVERIFY(choice.perUser && choice.seeded && choice.problem.isEmpty());
        const QString settings = user + "/modules/setting/apConfig.bin";
        QCOMPARE(ModulesDir::readAt(settings), ModulesDir::readAt(installed));
        QVERIFY(QFileInfo(user + "/modules/macro").isDir());
        ModulesDir::writeAt(settings, "[common]\nlanguage=ChineseSimplified\n");
        QVERIFY(QDir(user).entryList({"modules.partial-*"}, QDir::AllEntries).isEmpty());

        // ...then the settings. Seeded once: the next start keeps what the user changed.
        readOnly("macro", false);
        readOnly("setting", true);
        choice = userfolder::choose(program);
        QVERIFY(choice.folder == user && !choice.seeded);
        QCOMPARE(ModulesDir::readAt(settings),
                 QByteArray("[common]\nlanguage=ChineseSimplified\n"));

        // Where no per-user folder can be made, the program's folder is used as it is.
        qputenv("XDG_CONFIG_HOME", (program + "/modules/setting").toUtf8());
        choice = userfolder::choose(program);
        QCOMPARE(choice.folder, program);
        QVERIFY(!choice.perUser && !choice.problem.isEmpty());

        // A copy that fails half way (a file it may not read) is never taken for the user's
        // folder, and says so.
        const QString secret = program + "/modules/secret.bin";
        ModulesDir::writeAt(secret, "x");
        QFile::setPermissions(secret, QFile::Permissions());
        qputenv("XDG_CONFIG_HOME", dir.filePath("other").toUtf8());
        choice = userfolder::choose(program);
        QVERIFY(!choice.perUser && !choice.problem.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("other/mouse-suite/modules")));
        QProcess::execute("chmod", {"-R", "u+w", dir.path()});
    }

    // Copies of the program in different folders are different programs, whatever the
    // folders are called; the same program reached by another spelling is the same.
    void instanceLockIsPerProgramCopy() {
        const QString a = SingleApplication::lockPath("/run", "/opt/a/mouse/configurator");
        QVERIFY(a.startsWith("/run/configurator-") && a.endsWith(".lock"));
        QVERIFY(a != SingleApplication::lockPath("/run", "/home/u/mouse/configurator"));
        QCOMPARE(SingleApplication::lockPath("/run", "/opt/a/./mouse//configurator"), a);
    }
};

QTEST_GUILESS_MAIN(UserFolderTest)
#include "user_folder_test.moc"
