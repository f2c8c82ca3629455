#include "document/deltadocument.h"

#include "document/appearance.h"
#include "document/deltaop.h"
#include "document/embedobjectpainter.h"
#include "document/richtextbinding.h"
#include "document/richtextformats.h"

#include <QAbstractTextDocumentLayout>
#include <QJsonDocument>
#include <QSignalBlocker>
#include <QTextDocument>

DeltaDocument::DeltaDocument(QObject *parent)
    : QObject(parent)
    , m_document(new QTextDocument(this))
{
    QFont font = m_document->defaultFont();
    font.setPixelSize(editorBodyPixelSize());
    m_document->setDefaultFont(font);
    m_document->setDocumentMargin(16);

    // Dividers, inline tables and embeds that cannot be shown for real still
    // need a visible object; attachments get their painter from the editor.
    auto *painter = new EmbedObjectPainter(this);
    QAbstractTextDocumentLayout *layout = m_document->documentLayout();
    layout->registerHandler(DividerObject, painter);
    layout->registerHandler(InlineTableObject, painter);
    layout->registerHandler(PlaceholderObject, painter);

    connect(m_document, &QTextDocument::contentsChanged, this, &DeltaDocument::contentsChanged);
}

void DeltaDocument::loadJson(const QString &json)
{
    if (json.isEmpty()) {
        m_delta = QJsonArray();
        rebuild({});
        return;
    }
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error == QJsonParseError::NoError && parsed.isArray()) {
        setDelta(parsed.array());
        return;
    }
    // Bodies saved as plain text open as such, one paragraph per line, in
    // the body style; like any load this is silent and cannot be undone.
    DeltaOp text;
    text.text = json;
    rebuild({text});
}

void DeltaDocument::setDelta(const QJsonArray &ops)
{
    m_delta = ops;
    rebuild(parseDeltaOps(ops));
}

void DeltaDocument::rebuild(const QList<DeltaOp> &ops)
{
    // A load is not an edit: the undo history is dropped (and that is
    // announced), and the build itself is not recorded.
    const bool undoRedo = m_document->isUndoRedoEnabled();
    m_document->setUndoRedoEnabled(false);
    {
        const QSignalBlocker blocker(m_document);
        // The body size may have changed since construction (a preference).
        QFont font = m_document->defaultFont();
        if (font.pixelSize() != editorBodyPixelSize()) {
            font.setPixelSize(editorBodyPixelSize());
            m_document->setDefaultFont(font);
        }
        buildDocument(m_document, ops);
    }
    m_document->setUndoRedoEnabled(undoRedo);
}

QJsonArray DeltaDocument::toDelta() const
{
    return writeDocument(m_document);
}

QString DeltaDocument::toJson() const
{
    return QString::fromUtf8(QJsonDocument(toDelta()).toJson(QJsonDocument::Compact));
}

QString DeltaDocument::toPlainText() const
{
    return m_document->toPlainText();
}
