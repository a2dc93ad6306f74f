#include "server/traffic_log.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vmouse {

TrafficLog::TrafficLog(const QString& path) : file_(path) {
    clock_.start();
    if (!path.isEmpty())
        file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

QString TrafficLog::hex(const std::vector<std::uint8_t>& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size() * 3));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            out += QLatin1Char(' ');
        out += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

void TrafficLog::write(const Record& r) {
    if (!file_.isOpen())
        return;
    QJsonObject o;
    o.insert("t_ms", static_cast<double>(clock_.nsecsElapsed() / 1000) / 1000.0);
    o.insert("dir", QString::fromLatin1(r.dir));
    o.insert("iface", QString::fromLatin1(r.iface));
    o.insert("kind", QString::fromLatin1(r.kind));
    o.insert("wire", hex(r.wire));
    o.insert("plain", hex(r.plain));
    if (!r.note.isEmpty())
        o.insert("note", r.note);
    file_.write(QJsonDocument(o).toJson(QJsonDocument::Compact));
    file_.write("\n");
    // Tests and tools read the log while the daemon runs.
    file_.flush();
}

} // namespace vmouse
