#include "device/dpi_notices.h"

DpiNotices::DpiNotices() : texts_(kStages, QStringLiteral("DPI Switch to")) {}

void DpiNotices::setStageDpi(int index, quint32 dpi) {
    if (index >= 0 && index < kStages)
        stageDpi_[static_cast<std::size_t>(index)] = dpi;
}

quint32 DpiNotices::stageDpi(int index) const {
    return index >= 0 && index < kStages ? stageDpi_[static_cast<std::size_t>(index)].load() : 0;
}

void DpiNotices::setTexts(const QStringList& texts) {
    QMutexLocker lock(&textsMutex_);
    for (int i = 0; i < kStages && i < texts.size(); ++i)
        texts_[i] = texts.at(i);
}

QString DpiNotices::text(int index) const {
    QMutexLocker lock(&textsMutex_);
    return index >= 0 && index < texts_.size() ? texts_.at(index) : QString();
}

QString DpiNotices::balloonText(int stage) const {
    if (stage < 1 || stage > kStages)
        return QString();
    const int caption = stage <= 6 ? stage - 1 : 6;
    return text(caption) + QLatin1Char(' ') + QString::number(stageDpi(stage - 1));
}
