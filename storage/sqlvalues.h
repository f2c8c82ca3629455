#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <optional>

// Conversions between record values and column values shared by the
// repositories: times are UTC ISO 8601 text with milliseconds, optional
// texts and times are NULL when unset.

QString timestampToText(const QDateTime &time);
// Parses the stored form quickly; other ISO forms go through Qt's parser.
// Empty or unparsable text gives an invalid date-time.
QDateTime timestampFromText(const QString &text);
std::optional<QDateTime> optionalTimestampFromText(const QString &text);

QVariant timestampOrNull(const std::optional<QDateTime> &time);
QVariant textOrNull(const QString &text);
// A null QString bound as-is would be NULL; NOT NULL text columns get ''.
QVariant textOrEmpty(const QString &text);

class Database;

// Runs one statement with the values bound in order, through the database's
// cache of prepared statements; on failure the driver's error text goes to
// `error` when given.
bool execStatement(Database *database,
                   const QString &sql,
                   const QVariantList &values,
                   QString *error = nullptr);
