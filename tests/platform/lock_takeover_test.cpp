// Lock files nobody holds any more are taken over; held, fresh or foreign ones are not.
#include "platform/runtime/device_lock.h"
#include "platform/runtime/lock_takeover.h"

#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

// A file at `path` with `content`, last written `ageS` seconds ago.
bool writeAged(const QString& path, const QByteArray& content, int ageS) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        return false;
    f.close();
    const time_t then = time(nullptr) - ageS;
    const utimbuf times{then, then};
    return utime(QFile::encodeName(path).constData(), &times) == 0;
}

} // namespace

class LockTakeoverTest : public QObject {
    Q_OBJECT

  private slots:
    // Rows: what is in the lock file, how old it is; whether the lock is taken.
    void leftoverFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("ageS");
        QTest::addColumn<bool>("taken");
        QTest::newRow("empty") << QByteArray() << 60 << true;
        QTest::newRow("garbage") << QByteArray("\x01\xffnot a lock") << 3 << true;
        // A process id now used by a live program (init) that never locked the file.
        QTest::newRow("reused pid") << QByteArray("1\nconfigurator\n\n") << 3600 << true;
        // Its maker may still be writing it.
        QTest::newRow("fresh garbage") << QByteArray("garb") << 0 << false;
    }
    void leftoverFiles() {
        QFETCH(QByteArray, content);
        QFETCH(int, ageS);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        const QString path = dir.filePath("x.lock");
        QVERIFY(writeAged(path, content, ageS));
        QLockFile lock(path);
        lock.setStaleLockTime(0);
        QCOMPARE(runtimedir::tryLockOrTakeOver(lock, path), taken);
        QCOMPARE(lock.isLocked(), taken);
        // The holder's own lock is then as good as any: a second one is kept out.
        if (taken) {
            QLockFile other(path);
            other.setStaleLockTime(0);
            QVERIFY(!runtimedir::tryLockOrTakeOver(other, path));
        }
    }

    // A lock held by a live holder stays its own, however old its file.
    void heldLockStays() {
        QTemporaryDir dir;
        const QString path = dir.filePath("held.lock");
        QLockFile holder(path);
        QVERIFY(holder.tryLock(0));
        const time_t then = time(nullptr) - 3600;
        const utimbuf times{then, then};
        QCOMPARE(utime(QFile::encodeName(path).constData(), &times), 0);
        QVERIFY(!runtimedir::lockFileOwnerless(path));
        QLockFile second(path);
        second.setStaleLockTime(0);
        QVERIFY(!runtimedir::tryLockOrTakeOver(second, path));
        holder.unlock();
        QVERIFY(runtimedir::tryLockOrTakeOver(second, path));
    }

    // Another user's lock file is never taken over, however old and unheld.
    void foreignFileStays() {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QTemporaryDir dir;
        const QString path = dir.filePath("foreign.lock");
        QVERIFY(writeAged(path, "garbage", 60));
        QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        QVERIFY(!runtimedir::lockFileOwnerless(path));
        QLockFile lock(path);
        lock.setStaleLockTime(0);
        QVERIFY(!runtimedir::tryLockOrTakeOver(lock, path));
    }

    // Whether the program the mouse went to still runs: this one does, one that ended does
    // not, and no process id is nobody.
    void processRunning() {
        QVERIFY(runtimedir::processRunning(QCoreApplication::applicationPid()));
        QVERIFY(!runtimedir::processRunning(0));
        QVERIFY(!runtimedir::processRunning(-1));
        QProcess ended;
        ended.start(QStringLiteral("true"), {});
        QVERIFY(ended.waitForFinished(10000));
        QVERIFY(!runtimedir::processRunning(ended.processId() ? ended.processId() : 999999));
        QVERIFY(!runtimedir::processRunning(4194304)); // above any pid_max
    }

    // A symbolic link in its place is nobody's lock to take over.
    void linkNotFollowed() {
        QTemporaryDir dir;
        const QString target = dir.filePath("elsewhere");
        QVERIFY(writeAged(target, "garbage", 60));
        const QString path = dir.filePath("link.lock");
        QVERIFY(QFile::link(target, path));
        QVERIFY(!runtimedir::lockFileOwnerless(path));
        QVERIFY(QFile::exists(target));
    }
};

QTEST_GUILESS_MAIN(LockTakeoverTest)
#include "lock_takeover_test.moc"
