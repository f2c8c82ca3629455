#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// One operation of a Delta note body. Stored bodies describe whole
// documents, so only inserts carry content; Retain and Delete are read but
// every consumer ignores them.
struct DeltaOp
{
    enum Type { InsertText, InsertEmbed, Retain, Delete };

    Type type = InsertText;
    QString text;      // InsertText
    QJsonObject embed; // InsertEmbed
    QJsonObject attributes;
    qint32 length = 0; // Retain, Delete

    // Reads one op object; malformed shapes degrade to an empty text insert.
    static DeltaOp fromJson(const QJsonObject &object);
};

// Every object element of a Delta JSON array, in order. Empty text, invalid
// JSON or JSON that is not an array give an empty list.
QList<DeltaOp> parseDeltaOps(const QString &json);
QList<DeltaOp> parseDeltaOps(const QJsonArray &array);
