// Starts a virtual mouse daemon for one test and reads its traffic log.
#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace testsupport {

class VirtualMouse {
  public:
    // Extra serve arguments, e.g. {"--encrypted", "--code", "123456"}.
    explicit VirtualMouse(const QStringList& extraArgs = {});
    ~VirtualMouse();
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    bool started() const { return started_; }
    QString socketPath() const { return dir_.filePath("vmouse.sock"); }
    QString logPath() const { return dir_.filePath("traffic.jsonl"); }

    // `virtual-mouse ctl --socket … args`; returns the exit code, stdout in `out`.
    int ctl(const QStringList& args, QString* out = nullptr) const;
    QJsonObject state() const;

    // Log records so far, oldest first; `clearLog` forgets those seen until now.
    std::vector<QJsonObject> log() const;
    std::vector<QJsonObject> log(const QString& kind) const;
    void clearLog();

    static QString binary();

  private:
    QTemporaryDir dir_;
    QProcess process_;
    bool started_ = false;
    qint64 logOffset_ = 0;
};

// "00 01 02" from bytes, as the log writes them.
QString hex(const std::vector<unsigned char>& bytes);
std::vector<unsigned char> bytesOf(const QString& hex);

} // namespace testsupport
