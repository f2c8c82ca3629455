#pragma once

#include <QDateTime>
#include <QString>

// The relative date text shown by the note lists, the header bar and the
// note windows: "just now", "5m ago", "3h ago", "Yesterday", a weekday name
// within the last week, else the date.
QString formatRelativeTime(const QDateTime &time);

// The same against an explicit local "now", so that the text can be checked
// at exact boundaries.
QString formatRelativeTime(const QDateTime &time, const QDateTime &now);
