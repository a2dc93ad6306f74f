#pragma once

#include <QLoggingCategory>

// The device link's debug lines ("Device Connect", "cmd Failed 0B", …).
Q_DECLARE_LOGGING_CATEGORY(lcDevice)
