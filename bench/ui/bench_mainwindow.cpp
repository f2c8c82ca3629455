// Main window benchmark over a store of 10,000 notes: start-up to the main
// window shown with its list filled (measured from main() in a fresh child
// process, with its resident memory), a full note list refresh, a
// search-as-you-type refresh with a 3-letter query and a switch to a
// 200-line note. Each figure stands beside the raw store query it builds on
// (the same SQL stepped through QSqlQuery, every column read); start-up
// stands beside a bare Qt main window shown by the same kind of child.

#include "app/application.h"
#include "app/appstate.h"
#include "editor/noteeditor.h"
#include "storage/database.h"
#include "storage/note.h"
#include "storage/notebook.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"
#include "ui/mainwindow.h"
#include "ui/notelistwidget.h"
#include "ui/uiwindowfactory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point processStart;

constexpr int noteCount = 10000;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

template<typename F>
double timeMs(F &&f)
{
    const auto start = Clock::now();
    f();
    return msSince(start);
}

// Spins the event loop until the window is on screen (at most 5 s).
bool waitExposed(QWidget *window)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (window->windowHandle() && window->windowHandle()->isExposed())
            return true;
    }
    return false;
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

QString words(std::mt19937 &random, int count)
{
    static const char *const vocabulary[] = {"project", "meeting", "notes",   "review",  "plan",
                                             "team",    "update",  "design",  "budget",  "client",
                                             "report",  "draft",   "idea",    "week",    "call",
                                             "email",   "process", "product", "test",    "market",
                                             "summary", "action",  "book",    "travel",  "recipe",
                                             "garden",  "health",  "family",  "office",  "weekend",
                                             "server",  "library", "proper",  "protein", "promise",
                                             "prompt",  "quarter", "metric",  "data",    "deploy"};
    const int size = int(sizeof(vocabulary) / sizeof(*vocabulary));
    std::uniform_int_distribution<int> pick(0, size - 1);
    std::uniform_int_distribution<int> suffix(0, 999);
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += QLatin1String(vocabulary[pick(random)]);
        if (i % 3 == 2)
            text += QString::number(suffix(random));
    }
    return text;
}

// A Delta body of `lines` lines: a heading, then paragraphs and list items.
QString body(std::mt19937 &random, int lines)
{
    std::uniform_int_distribution<int> length(4, 16);
    QString json = QStringLiteral("[{\"insert\":\"") + words(random, 4)
                   + QStringLiteral("\"},{\"insert\":\"\\n\",\"attributes\":{\"header\":1}}");
    for (int i = 1; i < lines; ++i) {
        json += QStringLiteral(",{\"insert\":\"") + words(random, length(random));
        if (i % 5 == 0)
            json += QStringLiteral("\"},{\"insert\":\"\\n\",\"attributes\":{\"list\":\"bullet\"}}");
        else
            json += QStringLiteral("\\n\"}");
    }
    return json + QLatin1Char(']');
}

bool generate(AppState *state, QStringList &bigNotes)
{
    std::mt19937 random(20261206u);
    std::uniform_int_distribution<int> lineCount(3, 30);
    QSqlDatabase db = state->database()->database();
    if (!db.transaction())
        return false;
    QStringList notebookIds;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 20; ++i) {
        Notebook notebook;
        notebook.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        notebook.name = words(random, 2);
        notebook.createdAt = now.addDays(-400);
        notebook.updatedAt = notebook.createdAt;
        if (!state->notebooks()->insert(notebook))
            return false;
        notebookIds << notebook.id;
    }
    for (int i = 0; i < noteCount; ++i) {
        Note note = Note::create(i % 20 == 0 ? QString() : notebookIds.at(i % 20));
        const bool big = i < 2;
        note.body = body(random, big ? 200 : lineCount(random));
        note.updatedAt = now.addSecs(-i * 60);
        note.modifiedAt = note.updatedAt;
        note.createdAt = note.updatedAt.addDays(-1);
        if (!state->notes()->insert(note))
            return false;
        if (big)
            bigNotes << note.id;
    }
    return db.commit();
}

int rawSelect(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    query.exec();
    int rows = 0;
    while (query.next()) {
        const int columns = query.record().count();
        for (int c = 0; c < columns; ++c)
            query.value(c);
        ++rows;
    }
    return rows;
}

void line(const char *what, double value, double baseline, const char *baselineName)
{
    std::printf("%-34s %9.2f ms   %-28s %9.2f ms   ratio %6.2f\n",
                what,
                value,
                baselineName,
                baseline,
                baseline > 0 ? value / baseline : 0.0);
}

// Child: from main() to the main window shown with its list filled.
int runStartup(int argc, char **argv, const QString &dir)
{
    Application app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false"));
    UiWindowFactory factory;
    AppState *state = new AppState(&app);
    state->setWindowFactory(&factory);
    state->setStoragePaths(dir + QStringLiteral("/t.db"), dir + QStringLiteral("/attachments"));
    if (!state->initialize())
        return 1;
    std::unique_ptr<QWidget> window(factory.createMainWindow(state));
    window->show();
    if (!waitExposed(window.get()))
        return 1;
    auto *main = static_cast<MainWindow *>(window.get());
    const double elapsed = msSince(processStart);
    std::printf("startup %.2f %ld %d\n", elapsed, residentKb(), int(main->noteList()->count()));
    return 0;
}

int runBare(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1280, 1024);
    window.show();
    if (!waitExposed(&window))
        return 1;
    std::printf("startup %.2f %ld 0\n", msSince(processStart), residentKb());
    return 0;
}

bool childFigures(const QStringList &args, double &ms, long &kb, int &rows)
{
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), args);
        if (!child.waitForFinished(60000) || child.exitCode() != 0)
            return false;
        const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
        if (parts.size() != 4)
            return false;
        times.push_back(parts.at(1).toDouble());
        kb = parts.at(2).toLong();
        rows = parts.at(3).toInt();
    }
    ms = median(times);
    return true;
}

int runParent(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false"));
    QTemporaryDir dir;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("settings"));
    qputenv("NOTES_DATA_DIR", dir.path().toUtf8());

    QStringList bigNotes;
    {
        AppState state;
        state.setStoragePaths(dir.filePath("t.db"), dir.filePath("attachments"));
        if (!state.initialize() || !generate(&state, bigNotes)) {
            std::fprintf(stderr, "cannot generate the store\n");
            return 1;
        }
        QSqlQuery(state.database()->database())
            .exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    std::printf("Main window benchmark, %d notes\n\n", noteCount);

    double startMs = 0, bareMs = 0;
    long startKb = 0, bareKb = 0;
    int rows = 0, bareRows = 0;
    const QString settingsDir = dir.filePath("settings");
    if (!childFigures({QStringLiteral("--startup"), dir.path(), settingsDir}, startMs, startKb, rows)
        || !childFigures({QStringLiteral("--bare")}, bareMs, bareKb, bareRows)) {
        std::fprintf(stderr, "start-up child failed\n");
        return 1;
    }

    UiWindowFactory factory;
    AppState state;
    state.setWindowFactory(&factory);
    state.setStoragePaths(dir.filePath("t.db"), dir.filePath("attachments"));
    if (!state.initialize())
        return 1;
    const QSqlDatabase db = state.database()->database();
    auto window = std::make_unique<MainWindow>(&state);
    window->show();
    waitExposed(window.get());

    const int runs = 15;
    std::vector<double> refresh, rawList, search, rawSearch, switches, rawGet;
    const QString listSql = QStringLiteral(
        "SELECT * FROM notes WHERE deleted_at IS NULL ORDER BY updated_at DESC");
    const QString searchSql = QStringLiteral(
        "SELECT n.* FROM notes n JOIN notes_fts f ON n.rowid = f.rowid WHERE notes_fts MATCH ? "
        "AND n.deleted_at IS NULL ORDER BY rank");
    int searchRows = 0;
    for (int run = 0; run < runs; ++run) {
        rawList.push_back(timeMs([&] { rawSelect(db, listSql); }));
        refresh.push_back(timeMs([&] { window->refreshNoteList(); }));
    }
    window->searchField()->setText(QStringLiteral("pro"));
    for (int run = 0; run < runs; ++run) {
        rawSearch.push_back(
            timeMs([&] { searchRows = rawSelect(db, searchSql, {QStringLiteral("pro*")}); }));
        search.push_back(timeMs([&] { window->refreshNoteList(); }));
    }
    window->searchField()->clear();
    window->refreshNoteList();
    for (int run = 0; run < runs * 2; ++run) {
        const QString id = bigNotes.at(run % 2);
        rawGet.push_back(timeMs(
            [&] { rawSelect(db, QStringLiteral("SELECT * FROM notes WHERE id = ?"), {id}); }));
        switches.push_back(timeMs([&] { window->noteList()->selectNote(id); }));
        if (window->editor()->currentNoteId() != id) {
            std::fprintf(stderr, "switch did not load the note\n");
            return 1;
        }
    }

    line("start-up to window with list", startMs, bareMs, "bare Qt main window");
    std::printf("   resident after start-up: %.1f MB (bare window %.1f MB); %d rows listed\n",
                startKb / 1024.0,
                bareKb / 1024.0,
                rows);
    line("refreshNoteList, all notes", median(refresh), median(rawList), "raw list query");
    line("search refresh \"pro\"", median(search), median(rawSearch), "raw FTS query");
    std::printf("   %d notes match \"pro\"\n", searchRows);
    line("note switch, 200-line note", median(switches), median(rawGet), "raw get by id");
    std::printf("\nTargets: start-up < 400 ms and < 80 MB; refresh within 2x of the raw list "
                "query; switch < 16 ms.\n");
    window.reset();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    processStart = Clock::now();
    if (argc >= 4 && qstrcmp(argv[1], "--startup") == 0) {
        const QString dir = QString::fromLocal8Bit(argv[2]);
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat,
                           QSettings::UserScope,
                           QString::fromLocal8Bit(argv[3]));
        return runStartup(argc, argv, dir);
    }
    if (argc >= 2 && qstrcmp(argv[1], "--bare") == 0)
        return runBare(argc, argv);
    return runParent(argc, argv);
}
