// Loading and writing back large notes of mixed formatting, beside a
// baseline that inserts the same text and formats with a plain text cursor
// (no Delta parsing, no attribute mapping).

#include "document/appearance.h"
#include "document/deltadocument.h"
#include "document/richtextformats.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <cstdio>
#include <functional>

static QJsonObject op(const QJsonValue &insert, const QJsonObject &attributes = {})
{
    QJsonObject object{{QStringLiteral("insert"), insert}};
    if (!attributes.isEmpty())
        object.insert(QStringLiteral("attributes"), attributes);
    return object;
}

static QString tableJson(int index)
{
    QJsonArray rows;
    for (int r = 0; r < 3; ++r) {
        QJsonArray row;
        for (int c = 0; c < 3; ++c)
            row.append(QJsonArray{op(QStringLiteral("cell %1.%2.%3").arg(index).arg(r).arg(c))});
        rows.append(row);
    }
    const QJsonObject table{{QStringLiteral("cells"), rows}, {QStringLiteral("hasHeader"), true}};
    return QString::fromUtf8(QJsonDocument(table).toJson(QJsonDocument::Compact));
}

// A note of `lines` lines: headings, paragraphs with bold, italic and link
// runs, bullet, check and numbered lists, code and quotations, a table every
// 250 lines and an image every 100.
static QJsonArray mixedNote(int lines)
{
    QJsonArray ops;
    const QJsonObject bold{{QStringLiteral("bold"), true}};
    const QJsonObject italic{{QStringLiteral("italic"), true}};
    const QJsonObject link{{QStringLiteral("link"), QStringLiteral("https://example.org/x")}};
    for (int i = 0; i < lines; ++i) {
        const QString words = QStringLiteral("line %1 of the note with some words in it ").arg(i);
        if (i % 250 == 125) {
            ops.append(op(QJsonObject{{QStringLiteral("table"), tableJson(i)}}));
            ops.append(op(QStringLiteral("\n")));
            continue;
        }
        if (i % 100 == 50) {
            ops.append(op(QJsonObject{{QStringLiteral("velmora-notes-attachment"),
                                       QStringLiteral("velmora-notes://attachment/img%1").arg(i)}}));
            ops.append(op(QStringLiteral("\n")));
            continue;
        }
        switch (i % 20) {
        case 0:
            ops.append(op(QStringLiteral("Section %1").arg(i)));
            ops.append(op(QStringLiteral("\n"), {{QStringLiteral("header"), 1 + (i / 20) % 3}}));
            break;
        case 1:
        case 2:
        case 3:
            ops.append(op(words));
            ops.append(op(QStringLiteral("bold part"), bold));
            ops.append(op(QStringLiteral(" then "), {}));
            ops.append(op(QStringLiteral("italic"), italic));
            ops.append(op(QStringLiteral(" and a "), {}));
            ops.append(op(QStringLiteral("link"), link));
            ops.append(op(QStringLiteral("\n")));
            break;
        case 4:
        case 5:
        case 6:
            ops.append(op(words));
            ops.append(
                op(QStringLiteral("\n"), {{QStringLiteral("list"), QStringLiteral("bullet")}}));
            break;
        case 7:
        case 8:
            ops.append(op(words));
            ops.append(op(QStringLiteral("\n"),
                          {{QStringLiteral("list"),
                            i % 2 ? QStringLiteral("checked") : QStringLiteral("unchecked")}}));
            break;
        case 9:
        case 10:
            ops.append(op(words));
            ops.append(
                op(QStringLiteral("\n"), {{QStringLiteral("list"), QStringLiteral("ordered")}}));
            break;
        case 11:
        case 12:
            ops.append(op(QStringLiteral("int value%1 = compute(%1);").arg(i)));
            ops.append(op(QStringLiteral("\n"), {{QStringLiteral("code-block"), true}}));
            break;
        case 13:
            ops.append(op(words));
            ops.append(op(QStringLiteral("\n"), {{QStringLiteral("blockquote"), true}}));
            break;
        default:
            ops.append(op(words + words));
            ops.append(op(QStringLiteral("\n")));
            break;
        }
    }
    return ops;
}

// The same content through a plain text cursor: formats are made once and
// reused, lists joined by hand, tables inserted directly.
static void plainCursorBuild(QTextDocument *document, const QJsonArray &ops)
{
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    const QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.org/x"));
    QTextCharFormat image;
    image.setObjectType(AttachmentObject);
    QTextBlockFormat block;
    QTextBlockFormat code;
    code.setBackground(QColor(0xECEEF1));
    bool first = true;
    QTextList *list = nullptr;
    QString pendingText;
    QList<QPair<QString, const QTextCharFormat *>> runs;
    for (const QJsonValue &value : ops) {
        const QJsonObject object = value.toObject();
        const QJsonValue insert = object.value(QStringLiteral("insert"));
        const QJsonObject attributes = object.value(QStringLiteral("attributes")).toObject();
        if (insert.isObject()) {
            const QJsonObject embed = insert.toObject();
            if (embed.contains(QStringLiteral("table"))) {
                QTextTable *table = cursor.insertTable(3, 3);
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c)
                        table->cellAt(r, c).firstCursorPosition().insertText(
                            QStringLiteral("cell %1.%2").arg(r).arg(c));
                cursor.setPosition(table->lastPosition() + 1);
                first = true;
                list = nullptr;
            } else {
                runs.append({QString(QChar::ObjectReplacementCharacter), &image});
            }
            continue;
        }
        const QString text = insert.toString();
        if (text != QLatin1String("\n")) {
            const QTextCharFormat *format = &plain;
            if (attributes.contains(QStringLiteral("bold")))
                format = &bold;
            else if (attributes.contains(QStringLiteral("italic")))
                format = &italic;
            else if (attributes.contains(QStringLiteral("link")))
                format = &link;
            runs.append({text, format});
            continue;
        }
        if (!first)
            cursor.insertBlock(attributes.contains(QStringLiteral("code-block")) ? code : block);
        first = false;
        for (const auto &run : std::as_const(runs))
            cursor.insertText(run.first, *run.second);
        runs.clear();
        if (attributes.contains(QStringLiteral("list"))) {
            if (list)
                list->add(cursor.block());
            else
                list = cursor.createList(QTextListFormat::ListDisc);
        } else {
            list = nullptr;
        }
    }
    cursor.endEditBlock();
}

static double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    setEditorBodyPixelSize(16);

    struct Row
    {
        int lines;
        double baseline, load, write;
        int bytes;
    };
    QList<Row> rows;
    for (const int lines : {1000, 10000}) {
        const int runs = lines > 5000 ? 5 : 15;
        const QJsonArray ops = mixedNote(lines);

        QTextDocument baselineDocument;
        baselineDocument.setDefaultFont(DeltaDocument().textDocument()->defaultFont());
        baselineDocument.documentLayout();
        const double baseline = medianMs(runs, [&]() { plainCursorBuild(&baselineDocument, ops); });

        DeltaDocument document;
        const double load = medianMs(runs, [&]() { document.setDelta(ops); });
        QString json;
        const double write = medianMs(runs, [&]() { json = document.toJson(); });
        rows.append({lines, baseline, load, write, int(json.toUtf8().size())});
    }

    std::printf("Delta note load (setDelta) and write (toJson), median ms\n");
    std::printf("%8s %10s %10s %12s %10s %12s %10s\n",
                "lines",
                "baseline",
                "load",
                "load/base",
                "write",
                "write/load",
                "json KiB");
    for (const Row &row : std::as_const(rows)) {
        std::printf("%8d %10.2f %10.2f %11.2fx %10.2f %11.2fx %10d\n",
                    row.lines,
                    row.baseline,
                    row.load,
                    row.load / row.baseline,
                    row.write,
                    row.write / row.load,
                    row.bytes / 1024);
    }
    // Attributes the app does not know ride along on the formats; a value
    // that differs on every line must not make loading quadratic.
    QList<double> uniqueLoads;
    for (const int lines : {1000, 10000}) {
        QJsonArray ops;
        for (int i = 0; i < lines; ++i) {
            ops.append(op(QStringLiteral("line %1").arg(i), {{QStringLiteral("id"), i}}));
            ops.append(op(QStringLiteral("\n"), {{QStringLiteral("block-id"), i}}));
        }
        DeltaDocument document;
        uniqueLoads.append(medianMs(lines > 5000 ? 3 : 9, [&]() { document.setDelta(ops); }));
    }
    std::printf("lines with unique unknown attributes: load %.2f ms (1,000), %.2f ms (10,000), "
                "growth %.1fx\n",
                uniqueLoads.at(0),
                uniqueLoads.at(1),
                uniqueLoads.at(1) / uniqueLoads.at(0));

    if (rows.size() == 2) {
        std::printf("growth 1,000 -> 10,000 lines: baseline %.1fx, load %.1fx, write %.1fx "
                    "(10x is linear)\n",
                    rows.at(1).baseline / rows.at(0).baseline,
                    rows.at(1).load / rows.at(0).load,
                    rows.at(1).write / rows.at(0).write);
    }
    return 0;
}
