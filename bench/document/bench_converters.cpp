// Conversion of a large note, each figure beside a baseline of the same run:
// Delta to HTML and Markdown against merely parsing the note's JSON, and
// HTML to Delta against merely laying the same HTML into a text document.

#include "document/converters.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

static const int kLines = 10000;
static const int kRepeats = 11;

static QJsonObject op(const QString &text, const QJsonObject &attributes = QJsonObject())
{
    QJsonObject result{{"insert", text}};
    if (!attributes.isEmpty())
        result.insert("attributes", attributes);
    return result;
}

// A note as people write them: headings, paragraphs with inline styles and
// links, bullet and ordered runs, code, quotes, dividers and a few tables.
static QJsonArray largeNote()
{
    const QString table = QString::fromUtf8(
        QJsonDocument(
            QJsonObject{{"cells",
                         QJsonArray{QJsonArray{"Item", "Count", "Note"},
                                    QJsonArray{QJsonArray{op("apples", {{"bold", true}})},
                                               "12",
                                               "fresh"},
                                    QJsonArray{"pears",
                                               "3",
                                               QJsonArray{op("see "), op("x", {{"link", "u"}})}}}},
                        {"hasHeader", true}})
            .toJson(QJsonDocument::Compact));
    QJsonArray ops;
    for (int i = 0; i < kLines; ++i) {
        const QString n = QString::number(i);
        switch (i % 20) {
        case 0:
            ops.append(op("Section " + n));
            ops.append(op("\n", {{"header", 1 + (i / 20) % 3}}));
            break;
        case 1:
        case 2:
        case 3:
            ops.append(op("Bullet item " + n + " with "));
            ops.append(op("bold", {{"bold", true}}));
            ops.append(op("\n", {{"list", "bullet"}}));
            break;
        case 4:
        case 5:
            ops.append(op("Step " + n));
            ops.append(op("\n", {{"list", "ordered"}}));
            break;
        case 6:
        case 7:
            ops.append(op("int value" + n + " = " + n + "; // <code>"));
            ops.append(op("\n", {{"code-block", "cpp"}}));
            break;
        case 8:
            ops.append(op("A quoted remark on line " + n));
            ops.append(op("\n", {{"blockquote", true}}));
            break;
        case 9:
            if (i % 500 == 9) {
                ops.append(QJsonObject{{"insert", QJsonObject{{"table", table}}}});
                ops.append(op("\n"));
            } else {
                ops.append(QJsonObject{{"insert", QJsonObject{{"divider", "hr"}}}});
                ops.append(op("\n"));
            }
            break;
        default:
            ops.append(op("Paragraph " + n + " mixes plain text, "));
            ops.append(op("italic words", {{"italic", true}}));
            ops.append(op(", "));
            ops.append(op("inline code", {{"code", true}}));
            ops.append(op(" & a "));
            ops.append(op("link", {{"link", "https://example.test/page?id=" + n}}));
            ops.append(op(" so that the line has a realistic length < 120.\n"));
            break;
        }
    }
    return ops;
}

// Time spent by this thread: the machine is shared, and CPU time keeps other
// processes' load out of the figures. Wall time is printed beside it.
struct Stopwatch
{
    QElapsedTimer wall;
#ifdef Q_OS_UNIX
    timespec cpuStart{};
#endif

    void start()
    {
#ifdef Q_OS_UNIX
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuStart);
#endif
        wall.start();
    }
    double wallMs() const
    {
        return wall.nsecsElapsed() / 1e6;
    }
    double cpuMs() const
    {
#ifdef Q_OS_UNIX
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return (now.tv_sec - cpuStart.tv_sec) * 1e3 + (now.tv_nsec - cpuStart.tv_nsec) / 1e6;
#else
        return wallMs();
#endif
    }
};

struct Job
{
    std::function<void()> run;
    std::function<void()> release = [] {}; // frees the result, outside the clock
};

struct Figure
{
    double cpuMs = 0;
    double wallMs = 0;
};

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the jobs in turn, round after round, so that a change of load on the
// machine touches baseline and subject alike; gives each job's medians.
static std::vector<Figure> measure(const std::vector<Job> &jobs)
{
    std::vector<std::vector<double>> cpu(jobs.size()), wall(jobs.size());
    for (int round = 0; round < kRepeats; ++round) {
        for (size_t j = 0; j < jobs.size(); ++j) {
            Stopwatch watch;
            watch.start();
            jobs[j].run();
            cpu[j].push_back(watch.cpuMs());
            wall[j].push_back(watch.wallMs());
            jobs[j].release();
        }
    }
    std::vector<Figure> figures;
    for (size_t j = 0; j < jobs.size(); ++j)
        figures.push_back({median(cpu[j]), median(wall[j])});
    return figures;
}

static void baseline(const char *name, const Figure &figure)
{
    std::printf("%-34s %8.2f ms CPU %8.2f ms wall  (baseline)\n", name, figure.cpuMs, figure.wallMs);
}

static void report(
    const char *name, const Figure &figure, const char *baseName, const Figure &base, double target)
{
    const double ratio = figure.cpuMs / base.cpuMs;
    std::printf("%-34s %8.2f ms CPU %8.2f ms wall  = %5.2fx %-12s (target <= %.1fx: %s)\n",
                name,
                figure.cpuMs,
                figure.wallMs,
                ratio,
                baseName,
                target,
                ratio <= target ? "met" : "MISSED");
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);

    const QJsonArray ops = largeNote();
    const QByteArray json = QJsonDocument(ops).toJson(QJsonDocument::Compact);
    const QString jsonText = QString::fromUtf8(json);
    const QString html = deltaToHtml(ops);
    std::printf("note: %d lines, %lld ops, %lld KiB of JSON, %lld KiB of HTML; medians of %d "
                "interleaved runs, ratios on CPU time\n",
                kLines,
                qint64(ops.size()),
                qint64(json.size() / 1024),
                qint64(html.toUtf8().size() / 1024),
                kRepeats);

    // Results are kept until the clock has stopped and their sizes summed, so
    // no work can be dropped and no job pays for freeing another's result.
    qint64 sink = 0;
    QJsonDocument document;
    QString text;
    QJsonArray delta;
    const auto keepText = [&](const QString &result) {
        text = result;
        sink += text.size();
    };
    const auto dropText = [&] { text = QString(); };
    // Converted as the app converts it: an array that came out of the parser.
    const QJsonArray parsed = QJsonDocument::fromJson(json).array();
    const std::vector<Figure> jsonFigures = measure({
        {[&] {
             document = QJsonDocument::fromJson(json);
             sink += document.array().size();
         },
         [&] { document = QJsonDocument(); }},
        {[&] { keepText(deltaToHtml(parsed)); }, dropText},
        {[&] { keepText(deltaToMarkdown(parsed)); }, dropText},
        {[&] { keepText(convertNoteBody(jsonText, ExportFormat::Html)); }, dropText},
        {[&] { keepText(convertNoteBody(jsonText, ExportFormat::Markdown)); }, dropText},
    });
    // The text document of the baseline is freed inside the clock, as
    // htmlToDelta frees its own.
    const std::vector<Figure> htmlFigures = measure({
        {[&] {
            QTextDocument textDocument;
            textDocument.setHtml(html);
            sink += textDocument.blockCount();
        }},
        {[&] {
             delta = htmlToDelta(html);
             sink += delta.size();
         },
         [&] { delta = QJsonArray(); }},
    });

    baseline("QJsonDocument::fromJson", jsonFigures[0]);
    report("deltaToHtml", jsonFigures[1], "of fromJson", jsonFigures[0], 3.0);
    report("deltaToMarkdown", jsonFigures[2], "of fromJson", jsonFigures[0], 3.0);
    report("convertNoteBody Html (parse too)", jsonFigures[3], "of fromJson", jsonFigures[0], 4.0);
    report("convertNoteBody Markdown", jsonFigures[4], "of fromJson", jsonFigures[0], 4.0);
    baseline("QTextDocument::setHtml", htmlFigures[0]);
    report("htmlToDelta", htmlFigures[1], "of setHtml", htmlFigures[0], 1.5);
    std::printf("(checksum %lld)\n", sink);
    return 0;
}
