#pragma once

#include <QLoggingCategory>

// Log lines of the local store.
Q_DECLARE_LOGGING_CATEGORY(lcStorage)
