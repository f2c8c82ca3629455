#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

#include <optional>

// Reading records with a SELECT, shared by the repositories. `Columns` is
// built once per query from its record, so mapping a row costs no name
// lookups; `read(query, columns, record)` fills one record from the current
// row.

// Prepares the statement on `query`, binds the values in order and runs it.
inline bool runSelect(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

// Every row; empty when the statement or any step fails, so that a step that
// fails half-way (a bad full-text query, a busy file) never passes for a
// short but complete result.
template<typename Record, typename Columns, typename Read>
QList<Record> selectRecords(const QSqlDatabase &db,
                            const QString &sql,
                            const QVariantList &values,
                            Read read)
{
    QSqlQuery query(db);
    if (!runSelect(query, sql, values))
        return {};
    const Columns columns(query.record());
    QList<Record> records;
    while (query.next())
        read(query, columns, records.emplace_back());
    if (query.lastError().isValid())
        return {};
    return records;
}

// The first row, if any.
template<typename Record, typename Columns, typename Read>
std::optional<Record> selectRecord(const QSqlDatabase &db,
                                   const QString &sql,
                                   const QVariantList &values,
                                   Read read)
{
    QSqlQuery query(db);
    if (!runSelect(query, sql, values) || !query.next())
        return std::nullopt;
    Record record;
    read(query, Columns(query.record()), record);
    return record;
}
