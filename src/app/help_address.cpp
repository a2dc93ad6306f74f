#include "app/help_address.h"

#include <QDir>
#include <QUrl>

namespace helpaddress {

QString resolve(const QString& configured, const QString& modulesDir) {
    const QString text =
        configured.trimmed().isEmpty() ? QString::fromLatin1(kDefaultPage) : configured.trimmed();
    const QUrl url(text);
    // One letter before the colon is a Windows drive, not a scheme.
    if (url.isValid() && url.scheme().size() > 1)
        return url.toString();
    return QUrl::fromLocalFile(QDir::cleanPath(QDir(modulesDir).absoluteFilePath(text))).toString();
}

} // namespace helpaddress
