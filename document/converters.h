#pragma once

#include <QJsonArray>
#include <QString>

// The forms a note body leaves the app in.
enum class ExportFormat { Markdown = 0, Html = 1, Pdf = 2, PlainText = 3 };

// Delta body to text. The converters read the ops line by line as the
// rich-text builder does and never fail: malformed tables write nothing.
QString deltaToHtml(const QJsonArray &ops);
QString deltaToMarkdown(const QJsonArray &ops);
QString deltaToPlainText(const QJsonArray &ops);

// A stored body in the text form of the format (HTML for Pdf). Empty text
// gives an empty string; text that is not a JSON array comes back unchanged.
QString convertNoteBody(const QString &json, ExportFormat format);

// HTML or Markdown (GitHub dialect) to a Delta document; never empty.
QJsonArray htmlToDelta(const QString &html);
QJsonArray markdownToDelta(const QString &markdown);
// The same documents as compact JSON text, exactly as QJsonDocument writes
// them: what a note body stores, without a round through QJsonArray.
QString htmlToDeltaJson(const QString &html);
QString markdownToDeltaJson(const QString &markdown);
