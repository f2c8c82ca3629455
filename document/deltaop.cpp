#include "document/deltaop.h"

#include <QJsonDocument>
#include <QJsonValue>

static qint32 countOf(const QJsonValue &value)
{
    return value.isDouble() ? value.toInt() : 0;
}

DeltaOp DeltaOp::fromJson(const QJsonObject &object)
{
    DeltaOp op;
    const QJsonValue insert = object.value(QLatin1String("insert"));
    if (insert.isString()) {
        op.type = InsertText;
        op.text = insert.toString();
    } else if (insert.isObject()) {
        op.type = InsertEmbed;
        op.embed = insert.toObject();
    } else if (object.contains(QLatin1String("retain"))) {
        op.type = Retain;
        op.length = countOf(object.value(QLatin1String("retain")));
    } else if (object.contains(QLatin1String("delete"))) {
        op.type = Delete;
        op.length = countOf(object.value(QLatin1String("delete")));
    }
    if (object.contains(QLatin1String("attributes")))
        op.attributes = object.value(QLatin1String("attributes")).toObject();
    return op;
}

QList<DeltaOp> parseDeltaOps(const QJsonArray &array)
{
    QList<DeltaOp> ops;
    ops.reserve(array.size());
    for (const QJsonValue &element : array) {
        if (element.isObject())
            ops.append(DeltaOp::fromJson(element.toObject()));
    }
    return ops;
}

QList<DeltaOp> parseDeltaOps(const QString &json)
{
    if (json.isEmpty())
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return {};
    return parseDeltaOps(document.array());
}
