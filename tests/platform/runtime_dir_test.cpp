// The private folder for locks and sockets: made for the user alone; a folder another user
// could reach or owns, or that is no folder, refused with the reason; the session's folder
// taken only when it is sound.
#include "platform/runtime/runtime_dir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Someone else: any other user id will do, and as root the files can be given to one.
constexpr unsigned kOtherUser = 65534;

} // namespace

class RuntimeDirTest : public QObject {
    Q_OBJECT

  private slots:
    void ensurePrivate_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("otherOwner");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("made") << "missing" << 0 << false << "";
        QTest::newRow("own, closed") << "folder" << 0700 << false << "";
        QTest::newRow("group may read") << "folder" << 0740 << false << "other users can open it";
        QTest::newRow("others may enter") << "folder" << 0701 << false << "other users can open it";
        QTest::newRow("another user's") << "folder" << 0700 << true << "belongs to another user";
        QTest::newRow("a file") << "file" << 0600 << false << "it is not a directory";
        QTest::newRow("a link to a folder") << "link" << 0700 << false << "it is not a directory";
        QTest::newRow("no parent") << "orphan" << 0 << false << "No such file or directory";
    }
    void ensurePrivate() {
        QFETCH(QString, kind);
        QFETCH(int, mode);
        QFETCH(bool, otherOwner);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        QString path = dir.filePath("run");
        if (kind == "folder") {
            QVERIFY(QDir().mkdir(path));
        } else if (kind == "file") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (kind == "link") {
            QVERIFY(QDir().mkdir(dir.filePath("real")));
            ::chmod(QFile::encodeName(dir.filePath("real")).constData(), 0700);
            QVERIFY(QFile::link(dir.filePath("real"), path));
        } else if (kind == "orphan") {
            path = dir.filePath("missing/run");
        }
        if (mode != 0 && kind != "link")
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        // The owner is the one asked about: another uid than the folder's is another user.
        const unsigned uid = otherOwner ? kOtherUser : unsigned(::geteuid());
        const runtimedir::Folder folder = runtimedir::ensurePrivate(path, uid);
        if (refusal.isEmpty()) {
            QCOMPARE(folder.path, path);
            struct stat st {};
            QCOMPARE(::lstat(QFile::encodeName(path).constData(), &st), 0);
            QVERIFY(S_ISDIR(st.st_mode));
            QCOMPARE(st.st_mode & 0777, mode_t(0700));
        } else {
            QVERIFY(!folder.ok());
            QVERIFY2(folder.error.contains(path) && folder.error.contains(refusal),
                     qPrintable(folder.error));
        }
    }

    // XDG_RUNTIME_DIR is used as it is only when it is the user's own and closed; otherwise
    // the program's own folder in the temporary folder.
    void sessionFolderOnlyWhenSound_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("used");
        QTest::newRow("sound") << "sound" << true;
        QTest::newRow("group may read") << "open" << false;
        QTest::newRow("relative") << "relative" << false;
        QTest::newRow("a file") << "file" << false;
        QTest::newRow("another user's") << "foreign" << false;
    }
    void sessionFolderOnlyWhenSound() {
        QFETCH(QString, kind);
        QFETCH(bool, used);
        if (kind == "foreign" && ::geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        QTemporaryDir tmp, session;
        const QByteArray oldTmp = qgetenv("TMPDIR"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tmp.path().toUtf8());
        QString runtime = session.filePath("run");
        if (kind == "file") {
            QFile f(runtime);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else {
            QVERIFY(QDir().mkdir(runtime));
            ::chmod(QFile::encodeName(runtime).constData(), kind == "open" ? 0750 : 0700);
        }
        if (kind == "foreign")
            QCOMPARE(::chown(QFile::encodeName(runtime).constData(), kOtherUser, kOtherUser), 0);
        qputenv("XDG_RUNTIME_DIR", (kind == "relative" ? QByteArray("run") : runtime.toUtf8()));
        const runtimedir::Folder folder = runtimedir::privateFolder();
        qputenv("TMPDIR", oldTmp);
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
        QVERIFY(folder.ok());
        QCOMPARE(folder.path,
                 used ? runtime : tmp.path() + "/mouse-suite-" + QString::number(::geteuid()));
    }
};

QTEST_GUILESS_MAIN(RuntimeDirTest)
#include "runtime_dir_test.moc"
