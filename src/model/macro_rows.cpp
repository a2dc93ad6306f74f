#include "model/macro_rows.h"

#include "macros/key_names.h"

#include <QVariantMap>

#include <algorithm>
#include <cmath>

namespace model {
namespace {

constexpr uchar kRelease = 0x80;
constexpr double kFoldedUnits = 127; // what the control byte's seven bits hold
constexpr uchar kBackslash = 0x31;
constexpr uchar kNonUsHash = 0x32;
constexpr uchar kFirstMouseButton = 0xF0;

bool isRelease(int type) {
    return type == 2 || type == 4;
}

// A pause row's milliseconds: a positive number, anything else counts for nothing.
double pauseMs(const QString& info) {
    bool ok = false;
    const double ms = info.trimmed().isEmpty() ? 0 : info.toDouble(&ok);
    return ok && std::isfinite(ms) && ms > 0 ? ms : 0;
}

void appendPair(QList<uchar>& out, bool release, uchar code, double ms) {
    const double units = std::floor((ms + 5) / 10);
    const uchar flag = release ? kRelease : 0;
    if (units < kFoldedUnits) {
        out << uchar((units == 0 ? 1 : int(units)) | flag) << code;
        return;
    }
    out << flag << code;
    const int scale = units < 100000 ? 1 : units < 300000 ? 2 : 3;
    constexpr double kPerUnit[] = {0, 2, 5, 10}; // 10 ms units in one count of the scale
    const int count = int(std::min(65535.0, std::floor(units / kPerUnit[scale])));
    out << 0x00 << uchar(scale) << uchar(count >> 8) << uchar(count & 0xFF);
}

} // namespace

std::optional<MacroRow> rowFromLine(const QString& line) {
    if (line.size() < 2 || !line.at(0).isDigit() || line.at(1) != QLatin1Char(','))
        return std::nullopt;
    return MacroRow{line.at(0).digitValue(), line.mid(2)};
}

QList<MacroRow> rowsFromVariant(const QVariantList& rows) {
    QList<MacroRow> out;
    out.reserve(rows.size());
    for (const QVariant& v : rows) {
        const QVariantMap row = v.toMap();
        bool ok = false;
        const double type = row.value(QStringLiteral("type")).toDouble(&ok);
        // A type that is not a whole number is no row kind.
        out.append({ok && type == std::floor(type) ? int(type) : -1,
                    row.value(QStringLiteral("info")).toString()});
    }
    return out;
}

int actionCode(const MacroRow& row) {
    if (row.type < 1 || row.type > 4)
        return -1;
    const uchar code = KeyNames::codeOf(row.info);
    const bool mouse = row.type >= 3;
    if (code == 0 || (code >= kFirstMouseButton) != mouse)
        return -1;
    // The pages name 0x31 and 0x32 alike and send 0x32 for that name.
    return code == kBackslash ? kNonUsHash : code;
}

QList<uchar> encodeRows(const QList<MacroRow>& rows, quint16 loops) {
    QList<uchar> out{uchar(loops >> 8), uchar(loops & 0xFF)};
    bool open = false;
    bool openRelease = false;
    uchar openCode = 0;
    double ms = 0;
    for (const MacroRow& row : rows) {
        if (row.type == 0) {
            if (open)
                ms += pauseMs(row.info);
            continue;
        }
        const int code = actionCode(row);
        if (code < 0)
            continue;
        if (open)
            appendPair(out, openRelease, openCode, ms);
        open = true;
        openRelease = isRelease(row.type);
        openCode = uchar(code);
        ms = 0;
    }
    if (!open)
        return out;
    out << uchar(openRelease ? 0x81 : 0x01) << openCode << 0x00 << 0x00;
    return out;
}

} // namespace model
