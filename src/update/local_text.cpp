#include "update/local_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace updater {
namespace {

// Empty: the system's encoding.
QByteArray encodingName;

} // namespace

bool setLocal8BitEncoding(const QByteArray& name) {
    for (QByteArray candidate : {name, name.endsWith("-0") ? name.chopped(2) : QByteArray()}) {
        if (!candidate.isEmpty() && QStringDecoder(candidate.constData()).isValid()) {
            encodingName = candidate;
            return true;
        }
    }
    encodingName.clear();
    return false;
}

QString fromLocal8Bit(const QByteArray& bytes) {
    if (encodingName.isEmpty())
        return QString::fromLocal8Bit(bytes);
    QStringDecoder decode(encodingName.constData());
    return decode(bytes);
}

QByteArray toLocal8Bit(const QString& text) {
    if (encodingName.isEmpty())
        return text.toLocal8Bit();
    QStringEncoder encode(encodingName.constData());
    return encode(text);
}

} // namespace updater
