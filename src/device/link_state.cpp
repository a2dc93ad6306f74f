#include "link_state.h"

namespace {
const QString kDefaultCaption = QStringLiteral("DPI Switch to");
}

LinkState& LinkState::instance() {
    static LinkState state;
    return state;
}

LinkState::LinkState() {
    reset();
}

void LinkState::reset() {
    encodeEnabled = false;
    linkDisabled = false;
    deviceAccepted = false;
    secrecyCode.fill(0);
    for (auto& v : stageDpi_)
        v = 0;
    QMutexLocker lock(&textsMutex_);
    texts_ = QStringList(kStages, kDefaultCaption);
}

void LinkState::setStageDpi(int index, quint32 dpi) {
    if (index >= 0 && index < kStages)
        stageDpi_[static_cast<std::size_t>(index)] = dpi;
}

quint32 LinkState::stageDpi(int index) const {
    return index >= 0 && index < kStages ? stageDpi_[static_cast<std::size_t>(index)].load() : 0;
}

void LinkState::setNotificationTexts(const QStringList& texts) {
    QMutexLocker lock(&textsMutex_);
    // Only the first eight count; missing ones keep their caption.
    for (int i = 0; i < kStages && i < texts.size(); ++i)
        texts_[i] = texts.at(i);
}

QString LinkState::notificationText(int index) const {
    QMutexLocker lock(&textsMutex_);
    return index >= 0 && index < texts_.size() ? texts_.at(index) : QString();
}
