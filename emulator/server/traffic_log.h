// The JSON-lines record of every report crossing the virtual link.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

namespace vmouse {

class TrafficLog {
  public:
    // An empty path logs nothing.
    explicit TrafficLog(const QString& path);
    // False when a path was given and the file could not be opened for writing.
    bool isOpen() const { return file_.fileName().isEmpty() || file_.isOpen(); }
    QString errorString() const { return file_.errorString(); }

    struct Record {
        const char* dir;   // "to_device" / "to_host"
        const char* iface; // "command" / "notify" / "boot"
        const char* kind;  // "feature" / "answer" / "output" / "input"
        std::vector<std::uint8_t> wire;
        std::vector<std::uint8_t> plain;
        QString note; // left out of the line when empty
    };
    void write(const Record& r);

    static QString hex(const std::vector<std::uint8_t>& bytes);

  private:
    QFile file_;
    QElapsedTimer clock_;
};

} // namespace vmouse
