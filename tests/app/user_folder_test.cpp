// Where the configurator keeps its settings: beside itself when it may write there, in a
// per-user folder seeded from the installed data when it may not. Real folders; a
// read-only program folder means nothing to root, so as root that case runs again as
// the user "nobody".
#include "user_folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

namespace {

void write(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder as installed: modules/ with a settings file and an empty macro folder.
void makeProgramFolder(const QString& program) {
    write(program + "/modules/setting/apConfig.bin", "[common]\nlanguage=English\n");
    QDir().mkpath(program + "/modules/macro");
}

void makeReadOnly(const QString& root) {
    for (const QString& dir :
         {root + "/modules/setting", root + "/modules/macro", root + "/modules", root}) {
        for (const QString& f : QDir(dir).entryList(QDir::Files))
            QFile::setPermissions(dir + '/' + f,
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                       QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
}

} // namespace

class UserFolderTest : public QObject {
    Q_OBJECT
  private slots:
    void writableProgramFolderKeepsItsSettings() {
        QTemporaryDir dir;
        const QString program = dir.filePath("program");
        makeProgramFolder(program);
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());

        const userfolder::Choice choice = userfolder::choose(program);
        QCOMPARE(choice.folder, program);
        QVERIFY(!choice.perUser);
        QVERIFY(!QFileInfo::exists(dir.filePath("config")));
    }

    void readOnlyProgramFolderUsesASeededUserFolder() {
        if (::geteuid() == 0) {
            // The same test as nobody, in folders of its own.
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QStringLiteral("setpriv"),
                        {"--reuid=65534", "--regid=65534", "--clear-groups",
                         QCoreApplication::applicationFilePath(),
                         "readOnlyProgramFolderUsesASeededUserFolder"});
            QVERIFY(child.waitForFinished(60000));
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
            return;
        }
        QTemporaryDir dir;
        const QString program = dir.filePath("program");
        makeProgramFolder(program);
        makeReadOnly(program);
        // Writable again at the end, so the temporary folder can go.
        const std::unique_ptr<void, void (*)(void*)> restore(&dir, [](void* d) {
            QProcess::execute("chmod", {"-R", "u+w", static_cast<QTemporaryDir*>(d)->path()});
        });
        // The default is ~/.config; a relative XDG_CONFIG_HOME is not to be used.
        qputenv("HOME", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", "relative/config");
        const QString user = dir.filePath(".config/mouse-suite");

        userfolder::Choice choice = userfolder::choose(program);
        QCOMPARE(choice.folder, user);
        QVERIFY(choice.perUser);
        QVERIFY(choice.seeded);
        QVERIFY(choice.problem.isEmpty());
        // The copy is the user's to change; the macro folder came along.
        const QString settings = user + "/modules/setting/apConfig.bin";
        QCOMPARE(read(settings), read(program + "/modules/setting/apConfig.bin"));
        QVERIFY(QFileInfo(user + "/modules/macro").isDir());
        {
            QFile f(settings);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("[common]\nlanguage=ChineseSimplified\n");
        }
        QVERIFY(QDir(user).entryList({"modules.partial-*"}, QDir::AllEntries).isEmpty());

        // Seeded once: the next start keeps what the user changed.
        choice = userfolder::choose(program);
        QCOMPARE(choice.folder, user);
        QVERIFY(!choice.seeded);
        QCOMPARE(read(settings), QByteArray("[common]\nlanguage=ChineseSimplified\n"));

        // Where no per-user folder can be made, the program's folder is used as it is.
        qputenv("XDG_CONFIG_HOME", program.toUtf8());
        choice = userfolder::choose(program);
        QCOMPARE(choice.folder, program);
        QVERIFY(!choice.problem.isEmpty());
    }
};

QTEST_GUILESS_MAIN(UserFolderTest)
#include "user_folder_test.moc"
