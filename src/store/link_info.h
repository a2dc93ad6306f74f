// What the settings store needs from the device link, and nothing more: which registry
// entry is connected, and where the DPI notification captions go. The application wires
// an adapter over the link; tests pass a double.
#pragma once

#include <QStringList>

class LinkInfo {
  public:
    virtual ~LinkInfo() = default;

    // Index of the connected device-registry entry. Only entries 0 and 1 keep a button
    // table in the profiles.
    virtual uint currentDeviceIndex() const = 0;

    // New captions for the eight DPI-stage notifications. Caption i takes texts[i];
    // captions without a text keep theirs. At most eight texts are passed.
    virtual void setNotificationTexts(const QStringList& texts) = 0;
};
