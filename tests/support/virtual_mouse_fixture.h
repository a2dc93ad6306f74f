// Starts a virtual mouse daemon for one test and reads its traffic log.
#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace testsupport {

class VirtualMouse {
  public:
    // Extra serve arguments, e.g. {"--encrypted", "--code", "123456"}; the socket lives
    // in a private folder unless `socketPath` names one.
    explicit VirtualMouse(const QStringList& extraArgs = {}, const QString& socketPath = {});
    ~VirtualMouse();

    bool started() const { return started_; }
    QString socketPath() const { return socket_; }
    QString logPath() const { return dir_.filePath("traffic.jsonl"); }

    // `virtual-mouse ctl --socket … args`; returns the exit code, stdout in `out`.
    int ctl(const QStringList& args, QString* out = nullptr) const;
    QJsonObject state() const;

    // Log records so far (of one kind), oldest first; `clearLog` forgets those seen until now.
    std::vector<QJsonObject> log(const QString& kind = {}) const;
    void clearLog();

    static QString binary();

  private:
    QTemporaryDir dir_;
    QString socket_;
    QProcess process_;
    bool started_ = false;
    qint64 logOffset_ = 0;
};

// Copies a folder tree (the installation data into a test's own folder).
void copyTree(const QString& from, const QString& to);

// The debug lines of the whole process, collected for tests to look at.
class DebugLines {
  public:
    static void install();
    static QStringList take();
    static bool contains(const QString& line);
};

} // namespace testsupport
