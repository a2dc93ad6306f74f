#include "macro_host.h"

#include <QSettings>

void ProfileAccess::syncProfile(int position) {
    if (QSettings* settings = profileSettings(position))
        settings->sync();
}
