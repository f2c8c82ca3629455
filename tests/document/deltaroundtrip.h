#pragma once

// Random but valid Delta documents for round-trip tests, with the exact
// Delta that writing them back must give, and a checker that nothing of a
// document's content went missing. Header-only so that other test folders
// can include it.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QStringList>

struct DeltaRoundTripCase
{
    QJsonArray input;    // as an importer or another client might store it
    QJsonArray expected; // as the writer must write it back
};

class DeltaDocumentGenerator
{
public:
    explicit DeltaDocumentGenerator(quint32 seed)
        : m_random(seed)
    {}

    DeltaRoundTripCase generate(int maxLines = 12)
    {
        DeltaRoundTripCase result;
        const int lines = 1 + bounded(maxLines);
        for (int i = 0; i < lines; ++i) {
            const int kind = bounded(10);
            if (kind == 0)
                addTableLine(result);
            else if (kind == 1)
                addDividerLine(result);
            else
                addTextLine(result, i == lines - 1);
        }
        return result;
    }

private:
    struct Run
    {
        bool isEmbed = false;
        QString text;
        QJsonObject attributes; // as stored in the input
        QJsonObject embed;
        QJsonObject expectedEmbed;
    };

    int bounded(int n) { return int(m_random.bounded(quint32(n))); }
    bool chance(int percent) { return bounded(100) < percent; }
    template<typename T>
    T pick(const QList<T> &list)
    {
        return list.at(bounded(int(list.size())));
    }

    QString randomText()
    {
        static const QStringList pieces{QStringLiteral("a"),
                                        QStringLiteral("word"),
                                        QStringLiteral(" "),
                                        QStringLiteral("Zeta"),
                                        QStringLiteral("é"),
                                        QStringLiteral("日本"),
                                        QStringLiteral("\U0001F600"),
                                        QStringLiteral("\U0001D11E"),
                                        QString(QChar::ObjectReplacementCharacter),
                                        QStringLiteral("<&>\""),
                                        QStringLiteral("\t"),
                                        QStringLiteral("TODO: x"),
                                        QStringLiteral("- [ ] y"),
                                        QStringLiteral("**no**")};
        QString text;
        const int count = 1 + bounded(4);
        for (int i = 0; i < count; ++i)
            text += pick(pieces);
        return text;
    }

    QJsonObject randomInlineAttributes()
    {
        QJsonObject attributes;
        if (chance(50))
            return attributes;
        if (chance(30))
            attributes.insert(QStringLiteral("bold"), true);
        if (chance(25))
            attributes.insert(QStringLiteral("italic"), true);
        if (chance(20))
            attributes.insert(QStringLiteral("underline"), true);
        if (chance(15))
            attributes.insert(QStringLiteral("strike"), true);
        if (chance(15))
            attributes.insert(QStringLiteral("code"), true);
        if (chance(15))
            attributes.insert(QStringLiteral("link"),
                              QStringLiteral("https://example.org/p%1?q=1").arg(bounded(3)));
        if (chance(10))
            attributes.insert(QStringLiteral("color"), QStringLiteral("#ff0000"));
        if (chance(8))
            attributes.insert(QStringLiteral("size"), 12);
        if (chance(8))
            attributes.insert(pick(QStringList{QStringLiteral("bold"),
                                               QStringLiteral("italic"),
                                               QStringLiteral("code")}),
                              pick(QList<QJsonValue>{false, QStringLiteral("yes"), 0}));
        if (chance(5))
            attributes.insert(QStringLiteral("link"), QString());
        return attributes;
    }

    QJsonObject randomBlockAttributes()
    {
        QJsonObject attributes;
        if (chance(45))
            return attributes;
        if (chance(30))
            attributes.insert(QStringLiteral("header"), pick(QList<int>{1, 2, 3, 4, 5, 6, 9}));
        if (chance(30))
            attributes.insert(QStringLiteral("list"),
                              pick(QStringList{QStringLiteral("bullet"),
                                               QStringLiteral("ordered"),
                                               QStringLiteral("checked"),
                                               QStringLiteral("unchecked"),
                                               QStringLiteral("custom-kind")}));
        if (chance(12))
            attributes.insert(QStringLiteral("code-block"),
                              pick(QList<QJsonValue>{true, QStringLiteral("cpp")}));
        if (chance(12))
            attributes.insert(QStringLiteral("blockquote"), true);
        if (chance(15))
            attributes.insert(QStringLiteral("align"),
                              pick(QStringList{QStringLiteral("center"),
                                               QStringLiteral("right"),
                                               QStringLiteral("justify"),
                                               QStringLiteral("left")}));
        if (chance(10))
            attributes.insert(QStringLiteral("indent"), 1 + bounded(3));
        if (chance(8))
            attributes.insert(QStringLiteral("direction"), QStringLiteral("rtl"));
        return attributes;
    }

    static bool onlyBlockKeys(const QJsonObject &attributes)
    {
        static const QSet<QString> blockKeys{QStringLiteral("header"),
                                             QStringLiteral("list"),
                                             QStringLiteral("code-block"),
                                             QStringLiteral("blockquote"),
                                             QStringLiteral("align")};
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            if (!blockKeys.contains(it.key()))
                return false;
        }
        return true;
    }

    Run randomEmbed()
    {
        Run run;
        run.isEmbed = true;
        const QString id = QStringLiteral("att-%1").arg(bounded(1000));
        switch (bounded(7)) {
        case 0:
            run.embed = {{QStringLiteral("velmora-notes-attachment"), id}};
            run.expectedEmbed = {{QStringLiteral("velmora-notes-attachment"),
                                  QStringLiteral("velmora-notes://attachment/") + id}};
            return run;
        case 1:
            run.embed = {{QStringLiteral("velmora-notes-attachment"),
                          QStringLiteral("velmora-notes://attachment/") + id}};
            break;
        case 2:
            run.embed = {
                {QStringLiteral("image"), QStringLiteral("velmora-notes://attachment/") + id}};
            break;
        case 3:
            run.embed = {{QStringLiteral("image"),
                          QStringLiteral("https://example.org/pics/photo%1.png").arg(bounded(9))}};
            if (chance(40))
                run.attributes = {{QStringLiteral("width"), QStringLiteral("120")}};
            break;
        case 4:
            run.embed = {{QStringLiteral("divider"), QStringLiteral("hr")}};
            break;
        case 5:
            // A table that shares its line stays an object character.
            run.embed = {{QStringLiteral("table"),
                          pick(QStringList{QStringLiteral("{\"cells\":[[\"x\"]]}"),
                                           QStringLiteral("not json")})}};
            break;
        default:
            run.embed = {{QStringLiteral("video"), QStringLiteral("https://example.org/v.mp4")}};
            break;
        }
        run.expectedEmbed = run.embed;
        return run;
    }

    // The attributes the writer gives a run inside a block (or cell) whose
    // own format already shows `baseBold` / `baseCode`.
    static QJsonObject normalisedInline(QJsonObject attributes, bool baseBold, bool baseCode)
    {
        const QJsonValue link = attributes.value(QStringLiteral("link"));
        const bool isLink = link.isString() && !link.toString().isEmpty();
        if (isLink && attributes.value(QStringLiteral("underline")) == QJsonValue(true))
            attributes.remove(QStringLiteral("underline"));
        if (baseBold && attributes.value(QStringLiteral("bold")) == QJsonValue(true))
            attributes.remove(QStringLiteral("bold"));
        if (baseCode && attributes.value(QStringLiteral("code")) == QJsonValue(true))
            attributes.remove(QStringLiteral("code"));
        return attributes;
    }

    static QJsonObject op(const QJsonValue &insert, const QJsonObject &attributes = {})
    {
        QJsonObject object{{QStringLiteral("insert"), insert}};
        if (!attributes.isEmpty())
            object.insert(QStringLiteral("attributes"), attributes);
        return object;
    }

    // Appends a text op to the expected output, joining equal neighbours.
    static void appendExpectedText(QJsonArray &ops,
                                   const QString &text,
                                   const QJsonObject &attributes,
                                   int runStart)
    {
        if (ops.size() > runStart) {
            QJsonObject last = ops.last().toObject();
            if (last.value(QStringLiteral("insert")).isString()
                && last.value(QStringLiteral("attributes")).toObject() == attributes) {
                last.insert(QStringLiteral("insert"),
                            last.value(QStringLiteral("insert")).toString() + text);
                ops.replace(ops.size() - 1, last);
                return;
            }
        }
        ops.append(op(text, attributes));
    }

    void addTextLine(DeltaRoundTripCase &result, bool last)
    {
        QList<Run> runs;
        const int count = chance(15) ? 0 : 1 + bounded(4);
        for (int i = 0; i < count; ++i) {
            if (chance(20)) {
                runs.append(randomEmbed());
            } else {
                Run run;
                run.text = randomText();
                run.attributes = randomInlineAttributes();
                runs.append(run);
            }
        }
        // A table embed alone on its line would become a real table.
        if (runs.size() == 1 && runs.first().isEmbed
            && runs.first().embed.contains(QStringLiteral("table"))) {
            Run run;
            run.text = QStringLiteral("x");
            runs.append(run);
        }
        const QJsonObject block = randomBlockAttributes();
        const int level = block.value(QStringLiteral("header")).toInt();
        const bool heading = level >= 1 && level <= 6;
        const bool baseBold = level == 1 || level == 2;
        const bool baseCode = !heading && block.contains(QStringLiteral("code-block"));

        // Input: each run as its own op, sometimes split in two, and the last
        // run sometimes sharing its op with the newline.
        const bool mergeLast = !runs.isEmpty() && !runs.last().isEmbed
                               && runs.last().attributes.isEmpty() && onlyBlockKeys(block)
                               && chance(40);
        for (int i = 0; i < runs.size(); ++i) {
            const Run &run = runs.at(i);
            if (run.isEmbed) {
                result.input.append(op(run.embed, run.attributes));
            } else if (i == runs.size() - 1 && mergeLast) {
                result.input.append(op(run.text + QLatin1Char('\n'), block));
            } else if (run.text.size() > 1 && chance(25)) {
                // Never split a surrogate pair: it would not be valid text.
                int cut = 1 + bounded(int(run.text.size()) - 1);
                if (run.text.at(cut).isLowSurrogate())
                    --cut;
                if (cut > 0) {
                    result.input.append(op(run.text.left(cut), run.attributes));
                    result.input.append(op(run.text.mid(cut), run.attributes));
                } else {
                    result.input.append(op(run.text, run.attributes));
                }
            } else {
                result.input.append(op(run.text, run.attributes));
            }
        }
        const bool omitNewline = last && block.isEmpty() && !runs.isEmpty() && !mergeLast
                                 && chance(50);
        if (!mergeLast && !omitNewline)
            result.input.append(op(QStringLiteral("\n"), block));

        const int runStart = int(result.expected.size());
        for (const Run &run : std::as_const(runs)) {
            if (run.isEmbed)
                result.expected.append(op(run.expectedEmbed, run.attributes));
            else
                appendExpectedText(result.expected,
                                   run.text,
                                   normalisedInline(run.attributes, baseBold, baseCode),
                                   runStart);
        }
        result.expected.append(op(QStringLiteral("\n"), block));
    }

    void addDividerLine(DeltaRoundTripCase &result)
    {
        const QJsonObject divider{{QStringLiteral("divider"), QStringLiteral("hr")}};
        result.input.append(op(divider));
        result.input.append(op(QStringLiteral("\n")));
        result.expected.append(op(divider));
        result.expected.append(op(QStringLiteral("\n")));
    }

    void addTableLine(DeltaRoundTripCase &result)
    {
        const int rows = 1 + bounded(3);
        const int columns = 1 + bounded(3);
        const int hasHeaderChoice = bounded(3); // absent, true, false
        const bool hasHeader = hasHeaderChoice != 2;
        QJsonArray inputRows;
        QJsonArray expectedRows;
        for (int r = 0; r < rows; ++r) {
            // The first row is full so that the table has `columns` columns.
            const int length = r == 0 ? columns : bounded(columns + 1);
            QJsonArray inputRow;
            QJsonArray expectedRow;
            for (int c = 0; c < columns; ++c) {
                if (c >= length) {
                    expectedRow.append(QJsonArray());
                    continue;
                }
                QJsonArray expectedCell;
                if (chance(40)) {
                    const QString text = chance(20) ? QString() : randomText();
                    inputRow.append(text);
                    if (!text.isEmpty())
                        expectedCell.append(op(text));
                } else {
                    QJsonArray cellOps;
                    const int parts = bounded(4);
                    for (int p = 0; p < parts; ++p) {
                        if (p > 0 && chance(30)) {
                            cellOps.append(op(QStringLiteral("\n")));
                            expectedCell.append(op(QStringLiteral("\n")));
                            continue;
                        }
                        if (chance(10)) {
                            const QJsonObject embed{
                                {QStringLiteral("velmora-notes-attachment"),
                                 QStringLiteral("velmora-notes://attachment/c%1").arg(bounded(9))}};
                            cellOps.append(op(embed));
                            expectedCell.append(op(embed));
                            continue;
                        }
                        const QString text = randomText();
                        const QJsonObject attributes = randomInlineAttributes();
                        cellOps.append(op(text, attributes));
                        int runStart = 0;
                        for (int k = int(expectedCell.size()) - 1; k >= 0; --k) {
                            if (expectedCell.at(k).toObject().value(QStringLiteral("insert"))
                                == QJsonValue(QStringLiteral("\n"))) {
                                runStart = k + 1;
                                break;
                            }
                        }
                        appendExpectedText(expectedCell,
                                           text,
                                           normalisedInline(attributes, hasHeader && r == 0, false),
                                           runStart);
                    }
                    inputRow.append(cellOps);
                }
                expectedRow.append(expectedCell);
            }
            inputRows.append(inputRow);
            expectedRows.append(expectedRow);
        }
        QJsonObject inputTable{{QStringLiteral("cells"), inputRows}};
        if (hasHeaderChoice != 0)
            inputTable.insert(QStringLiteral("hasHeader"), hasHeader);
        const QJsonObject expectedTable{{QStringLiteral("cells"), expectedRows},
                                        {QStringLiteral("hasHeader"), hasHeader}};
        const QJsonObject newlineAttributes = chance(15) ? QJsonObject{{QStringLiteral("id"),
                                                                        QStringLiteral("t1")}}
                                                         : QJsonObject();
        result.input.append(op(QJsonObject{{QStringLiteral("table"), compact(inputTable)}}));
        result.input.append(op(QStringLiteral("\n"), newlineAttributes));
        result.expected.append(op(QJsonObject{{QStringLiteral("table"), compact(expectedTable)}}));
        result.expected.append(op(QStringLiteral("\n"), newlineAttributes));
    }

public:
    static QString compact(const QJsonObject &object)
    {
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    static QString compact(const QJsonArray &array)
    {
        return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
    }

private:
    QRandomGenerator m_random;
};

// What a Delta document holds, independent of how its ops are cut: every
// text character (line breaks aside), every embed (attachment ids with their
// prefix, tables by their cell content) and every attribute the app does not
// know. Two documents of equal content give equal `tokens` and `unknown`.
struct DeltaContent
{
    QStringList tokens;
    QSet<QString> unknown;

    static DeltaContent of(const QJsonArray &ops)
    {
        DeltaContent content;
        content.add(ops);
        return content;
    }

private:
    void addAttributes(const QJsonObject &attributes)
    {
        static const QSet<QString> known{QStringLiteral("bold"),
                                         QStringLiteral("italic"),
                                         QStringLiteral("underline"),
                                         QStringLiteral("strike"),
                                         QStringLiteral("code"),
                                         QStringLiteral("link"),
                                         QStringLiteral("header"),
                                         QStringLiteral("list"),
                                         QStringLiteral("code-block"),
                                         QStringLiteral("blockquote"),
                                         QStringLiteral("align")};
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            if (!known.contains(it.key()))
                unknown.insert(it.key() + QLatin1Char('=')
                               + DeltaDocumentGenerator::compact(QJsonArray{it.value()}));
        }
    }

    void addCell(const QJsonValue &cell)
    {
        if (cell.isString()) {
            for (const QChar ch : cell.toString()) {
                if (ch != QLatin1Char('\n'))
                    tokens.append(QString(ch));
            }
        } else if (cell.isArray()) {
            add(cell.toArray());
        }
    }

    void add(const QJsonArray &ops)
    {
        const QString prefix = QStringLiteral("velmora-notes://attachment/");
        for (const QJsonValue &element : ops) {
            const QJsonObject object = element.toObject();
            const QJsonValue insert = object.value(QStringLiteral("insert"));
            addAttributes(object.value(QStringLiteral("attributes")).toObject());
            if (insert.isString()) {
                for (const QChar ch : insert.toString()) {
                    if (ch != QLatin1Char('\n'))
                        tokens.append(QString(ch));
                }
                continue;
            }
            const QJsonObject embed = insert.toObject();
            if (embed.isEmpty())
                continue;
            const QString kind = embed.begin().key();
            QString value = embed.begin().value().toString();
            if (kind == QStringLiteral("velmora-notes-attachment") && !value.startsWith(prefix))
                value.prepend(prefix);
            const QJsonDocument table = QJsonDocument::fromJson(value.toUtf8());
            if (kind == QStringLiteral("table") && table.isObject()
                && !table.object().value(QStringLiteral("cells")).toArray().isEmpty()) {
                tokens.append(QStringLiteral("[table"));
                const QJsonArray rows = table.object().value(QStringLiteral("cells")).toArray();
                for (const QJsonValue &row : rows) {
                    // Rows may be padded with empty cells, so cells are not counted.
                    tokens.append(QStringLiteral("/"));
                    const QJsonArray cells = row.toArray();
                    for (const QJsonValue &cell : cells)
                        addCell(cell);
                }
                tokens.append(QStringLiteral("table]"));
                continue;
            }
            tokens.append(QStringLiteral("[embed ") + kind + QLatin1Char('=') + value
                          + QLatin1Char(']'));
        }
    }
};
