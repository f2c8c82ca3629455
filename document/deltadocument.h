#pragma once

#include "document/deltaop.h"

#include <QJsonArray>
#include <QObject>
#include <QString>

class QTextDocument;

// A note body while it is edited: the rich-text document the editor shows,
// built from the stored Delta array and written back to Delta on save.
class DeltaDocument : public QObject
{
    Q_OBJECT

public:
    explicit DeltaDocument(QObject *parent = nullptr);

    // Loads a stored body: empty text clears, a JSON array is built, anything
    // else opens as plain text (the stored array is then left as it was).
    void loadJson(const QString &json);
    void setDelta(const QJsonArray &ops);
    // The last array given to loadJson or setDelta.
    QJsonArray delta() const { return m_delta; }

    QString toJson() const;
    QJsonArray toDelta() const;
    QString toPlainText() const;
    QTextDocument *textDocument() const { return m_document; }

signals:
    void contentsChanged();

private:
    void rebuild(const QList<DeltaOp> &ops);

    QTextDocument *m_document;
    QJsonArray m_delta;
};
