#pragma once

#include <QLoggingCategory>

// The updater's debug lines ("Open data File fail", "Device", "Update Success", …).
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
// What the updater tells a user on the terminal, in sentences (info level).
Q_DECLARE_LOGGING_CATEGORY(lcUpdateReport)
