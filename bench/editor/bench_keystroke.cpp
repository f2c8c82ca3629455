// Keystroke latency of NoteEditor on large notes, beside a plain QTextEdit
// holding the same document in the same run. The time of one key is from
// sending the press to the end of its synchronous processing: the edit, the
// change step (save timer, word count) and the format-state step.

#include "document/deltadocument.h"
#include "editor/noteeditor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <vector>

static const int kKeys = 301;

static QJsonObject op(const QString &text, const QJsonObject &attributes = QJsonObject())
{
    QJsonObject result{{"insert", text}};
    if (!attributes.isEmpty())
        result.insert("attributes", attributes);
    return result;
}

// A note as people write them: headings, paragraphs with inline styles,
// lists, check lists, code and quotes.
static QString largeNote(int lines)
{
    QJsonArray ops;
    for (int i = 0; i < lines; ++i) {
        const QString n = QString::number(i);
        switch (i % 12) {
        case 0:
            ops.append(op("Section " + n));
            ops.append(op("\n", {{"header", 2}}));
            break;
        case 1:
        case 2:
            ops.append(op("Bullet item " + n + " with "));
            ops.append(op("bold", {{"bold", true}}));
            ops.append(op("\n", {{"list", "bullet"}}));
            break;
        case 3:
            ops.append(op("Task " + n));
            ops.append(op("\n", {{"list", i % 2 ? "checked" : "unchecked"}}));
            break;
        case 4:
            ops.append(op("int value" + n + " = compute();"));
            ops.append(op("\n", {{"code-block", true}}));
            break;
        case 5:
            ops.append(op("A quoted thought number " + n));
            ops.append(op("\n", {{"blockquote", true}}));
            break;
        default:
            ops.append(op("Plain paragraph " + n + " with some ordinary words, "));
            ops.append(op("a link", {{"link", "https://example.org/" + n}}));
            ops.append(op(" and "));
            ops.append(op("italic text", {{"italic", true}}));
            ops.append(op(" to end the line.\n"));
            break;
        }
    }
    return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
}

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Types kKeys letters in the middle of the document, one event at a time.
static double medianKeyMicros(QTextEdit *edit)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(edit->document()->characterCount() / 2);
    cursor.movePosition(QTextCursor::EndOfBlock);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    QApplication::processEvents();

    std::vector<double> times;
    times.reserve(kKeys);
    QElapsedTimer timer;
    for (int i = 0; i < kKeys; ++i) {
        const QChar letter(u'a' + i % 26);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, QString(letter));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, QString(letter));
        timer.start();
        QApplication::sendEvent(edit, &press);
        QApplication::sendEvent(edit, &release);
        times.push_back(timer.nsecsElapsed() / 1000.0);
        // Painting between keys, as on screen; not part of the measured time.
        QApplication::processEvents();
    }
    return median(times);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::printf("Keystroke latency, median of %d keys typed mid-document\n", kKeys);
    std::printf("%8s %14s %14s %8s %10s\n",
                "lines",
                "NoteEditor us",
                "QTextEdit us",
                "ratio",
                "in 16 ms");
    for (const int lines : {1000, 10000}) {
        const QString json = largeNote(lines);

        NoteEditor editor;
        editor.resize(900, 700);
        editor.show();
        editor.loadNote(QStringLiteral("bench"), json);

        // The plain edit shows the same rich document, built the same way.
        DeltaDocument source;
        source.loadJson(json);
        QTextEdit plain;
        plain.setDocument(source.textDocument());
        plain.resize(900, 700);
        plain.show();
        QApplication::processEvents();

        // Alternate runs so that neither side gets a warmer machine.
        std::vector<double> editorRuns;
        std::vector<double> plainRuns;
        for (int round = 0; round < 3; ++round) {
            plainRuns.push_back(medianKeyMicros(&plain));
            editorRuns.push_back(medianKeyMicros(&editor));
        }
        const double editorMedian = median(editorRuns);
        const double plainMedian = median(plainRuns);
        std::printf("%8d %14.1f %14.1f %7.2fx %10s\n",
                    lines,
                    editorMedian,
                    plainMedian,
                    editorMedian / plainMedian,
                    editorMedian < 16000.0 ? "yes" : "NO");
    }
    return 0;
}
