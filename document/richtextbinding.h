#pragma once

#include "document/deltaop.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class QTextBlockFormat;
class QTextCharFormat;
class QTextDocument;
class QTextTable;
class QTextTableCell;

// Rebuilds `document` from Delta ops: clears it and, unless `ops` is empty,
// builds the content inside one edit block. The caller blocks signals when
// the build must stay silent.
void buildDocument(QTextDocument *document, const QList<DeltaOp> &ops);

// Writes the document as Delta ops, block by block in document order.
QJsonArray writeDocument(const QTextDocument *document);

// Delta inline attributes of a run. Attributes that the run only has because
// its surroundings have them (a heading's weight, a code block's monospace
// font, a header cell's weight) are left out: pass those surroundings as
// `baseFormat`, e.g. blockCharFormat(block.blockFormat()). A default
// `baseFormat` writes every attribute the run shows.
QJsonObject inlineAttributesFromFormat(const QTextCharFormat &format,
                                       const QTextCharFormat &baseFormat);
QJsonObject inlineAttributesFromFormat(const QTextCharFormat &format);

// Delta block attributes of a paragraph.
QJsonObject blockAttributesFromFormat(const QTextBlockFormat &format);

// The content of one table cell as an array of ops: inline-formatted text
// inserts and embeds, a newline op between the cell's paragraphs; an empty
// cell is []. Header-row cells do not write the weight of the header row.
QJsonArray writeTableCell(const QTextTableCell &cell);

// The compact JSON text of a table object {"cells": ..., "hasHeader": ...}
// (plus any other keys the table was loaded with).
QString writeTableJson(const QTextTable *table, bool hasHeader);
