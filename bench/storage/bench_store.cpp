// Store benchmark: repository operations against the same SQL run raw
// through QSqlQuery (rows stepped and every column read, no record mapping),
// over generated stores of 10,000 and 100,000 notes. Prints medians and the
// ratio repository / raw; the goal is every ratio within 1.5.

#include "storage/database.h"
#include "storage/note.h"
#include "storage/notebook.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"
#include "storage/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <time.h>
#include <vector>

namespace {

constexpr int notebookCount = 20;

// Common words first: the generator favours low indices, so these behave
// like the frequent words of real notes.
const char *const baseWords[] = {
    "the",      "and",      "project", "meeting", "notes",    "todo",     "review",  "plan",
    "team",     "update",   "design",  "budget",  "client",   "report",   "draft",   "idea",
    "week",     "today",    "call",    "email",   "follow",   "schedule", "process", "progress",
    "proposal", "product",  "release", "test",    "feature",  "customer", "sales",   "market",
    "research", "question", "answer",  "summary", "action",   "item",     "list",    "check",
    "book",     "read",     "travel",  "recipe",  "shopping", "milk",     "bread",   "garden",
    "health",   "workout",  "run",     "morning", "evening",  "family",   "friend",  "birthday",
    "gift",     "home",     "office",  "weekend", "monday",   "friday",   "quarter", "goal",
    "metric",   "data",     "server",  "deploy",  "bug",      "fix",      "code",    "library",
    "with",     "for",      "from",    "about",   "into",     "over",     "after",   "before",
};

const char *const syllables[] = {"ka",  "lo",  "mi",  "ne",   "ra",   "su",   "ti", "ve",
                                 "zo",  "pe",  "da",  "fi",   "go",   "hu",   "ji", "pro",
                                 "sta", "tre", "qua", "bri",  "ment", "tion", "er", "al",
                                 "ing", "ous", "ly",  "ness", "ic",   "ed"};

class Generator
{
public:
    explicit Generator(unsigned seed)
        : m_random(seed)
    {
        for (const char *word : baseWords)
            m_words.append(QString::fromLatin1(word));
        const int syllableCount = int(sizeof(syllables) / sizeof(*syllables));
        std::uniform_int_distribution<int> syllable(0, syllableCount - 1);
        std::uniform_int_distribution<int> length(2, 4);
        while (m_words.size() < 6000) {
            QString word;
            for (int i = length(m_random); i > 0; --i)
                word += QLatin1String(syllables[syllable(m_random)]);
            m_words.append(word);
        }
    }

    int between(int low, int high)
    {
        return std::uniform_int_distribution<int>(low, high)(m_random);
    }

    // Zipf-like choice: a few words are very common, most are rare.
    const QString &word()
    {
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(m_random);
        return m_words.at(std::min<int>(int(m_words.size() * u * u * u), m_words.size() - 1));
    }

    QString words(int count)
    {
        QString text;
        for (int i = 0; i < count; ++i) {
            if (i)
                text += QLatin1Char(' ');
            text += word();
        }
        return text;
    }

    // A Delta body of 50 to 500 words: a heading, paragraphs, bullet,
    // numbered and check lists, now and then a bold span.
    QString body()
    {
        int budget = between(50, 500);
        QString json = QStringLiteral("[");
        auto op = [&json](const QString &insert, const char *attributes = nullptr) {
            if (json.size() > 1)
                json += QLatin1Char(',');
            json += QLatin1String("{\"insert\":\"") + insert + QLatin1Char('"');
            if (attributes)
                json += QLatin1String(",\"attributes\":") + QLatin1String(attributes);
            json += QLatin1Char('}');
        };
        const int titleWords = between(2, 6);
        op(words(titleWords));
        op(QStringLiteral("\\n"), "{\"header\":1}");
        budget -= titleWords;
        while (budget > 0) {
            const int kind = between(0, 9);
            if (kind < 5) {
                const int count = std::min(budget, between(10, 40));
                if (kind == 0 && count > 4) {
                    op(words(2), "{\"bold\":true}");
                    op(QLatin1Char(' ') + words(count - 2) + QStringLiteral("\\n"));
                } else {
                    op(words(count) + QStringLiteral("\\n"));
                }
                budget -= count;
            } else if (kind == 5) {
                const int count = std::min(budget, between(2, 5));
                op(words(count));
                op(QStringLiteral("\\n"), "{\"header\":2}");
                budget -= count;
            } else {
                const char *list = kind < 8    ? "{\"list\":\"bullet\"}"
                                   : kind == 8 ? "{\"list\":\"ordered\"}"
                                               : "{\"list\":\"unchecked\"}";
                for (int items = between(2, 6); items > 0 && budget > 0; --items) {
                    const int count = std::min(budget, between(2, 8));
                    op(words(count));
                    op(QStringLiteral("\\n"), list);
                    budget -= count;
                }
            }
        }
        json += QLatin1Char(']');
        return json;
    }

private:
    std::mt19937 m_random;
    QStringList m_words;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// CPU time of this thread: the machine is shared, and wall time would mostly
// measure the neighbours.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double timeMs(const std::function<void()> &work)
{
    const double start = threadCpuMs();
    work();
    return threadCpuMs() - start;
}

// Reads every column of every row, as any consumer of the rows must.
int stepRaw(QSqlQuery &query)
{
    int rows = 0;
    qint64 sink = 0;
    const int columns = query.record().count();
    while (query.next()) {
        ++rows;
        for (int column = 0; column < columns; ++column)
            sink += query.value(column).userType();
    }
    if (query.lastError().isValid())
        std::fprintf(stderr, "raw query failed: %s\n", qPrintable(query.lastError().text()));
    return sink >= 0 ? rows : -1;
}

int rawSelect(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        std::fprintf(stderr, "raw query failed: %s\n", qPrintable(query.lastError().text()));
        return -1;
    }
    return stepRaw(query);
}

int g_over = 0;

void report(int noteCount, const char *operation, int rows, double repo, double raw)
{
    const double ratio = raw > 0 ? repo / raw : 0;
    if (ratio > 1.5)
        ++g_over;
    const QByteArray notes = noteCount ? QByteArray::number(noteCount) : QByteArray("-");
    std::printf("%7s  %-26s %7d %10.2f %10.2f %7.2f%s\n",
                notes.constData(),
                operation,
                rows,
                repo,
                raw,
                ratio,
                ratio > 1.5 ? "  over" : "");
    std::fflush(stdout);
}

// Runs raw and repository in alternation so that drift hits both alike.
void measure(int noteCount,
             const char *operation,
             int runs,
             const std::function<int()> &repo,
             const std::function<int()> &raw)
{
    std::vector<double> repoTimes;
    std::vector<double> rawTimes;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        if (run % 2) {
            repoTimes.push_back(timeMs([&] { rows = repo(); }));
            rawTimes.push_back(timeMs([&] { raw(); }));
        } else {
            rawTimes.push_back(timeMs([&] { raw(); }));
            repoTimes.push_back(timeMs([&] { rows = repo(); }));
        }
    }
    report(noteCount, operation, rows, median(repoTimes), median(rawTimes));
}

bool generate(Database &database, int noteCount, QStringList &notebookIds)
{
    Generator generator(20240501u + unsigned(noteCount));
    NotebookRepository notebooks(&database);
    NoteRepository notes(&database);
    QSqlDatabase db = database.database();
    // Generation only: a cache large enough that the one big transaction
    // never spills half-written pages; the measured runs use the defaults.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size=-262144"));
    if (!db.transaction())
        return false;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < notebookCount; ++i) {
        Notebook notebook;
        notebook.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        notebook.name = generator.words(2);
        notebook.createdAt = now.addDays(-800);
        notebook.updatedAt = notebook.createdAt;
        if (!notebooks.insert(notebook))
            return false;
        notebookIds << notebook.id;
    }
    for (int i = 0; i < noteCount; ++i) {
        Note note = Note::create(generator.between(0, 19) == 0
                                     ? QString()
                                     : notebookIds.at(generator.between(0, notebookCount - 1)));
        note.body = generator.body();
        note.createdAt = now.addSecs(-generator.between(86400, 730 * 86400));
        note.updatedAt = note.createdAt.addSecs(generator.between(0, 86400)).addMSecs(i % 1000);
        note.modifiedAt = note.updatedAt;
        if (generator.between(0, 19) == 0)
            note.deletedAt = note.updatedAt.addSecs(3600);
        note.syncStatus = generator.between(0, 3) ? SyncStatus::Synced : SyncStatus::Pending;
        if (!notes.insert(note))
            return false;
    }
    if (!db.commit())
        return false;
    QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size=-2000"));
    return true;
}

void benchStore(int noteCount, int runs)
{
    QTemporaryDir dir;
    Database database;
    if (!database.open(dir.filePath(QStringLiteral("bench.db"))) || !database.migrate()) {
        std::fprintf(stderr, "cannot create the store\n");
        return;
    }
    QStringList notebookIds;
    QElapsedTimer timer;
    timer.start();
    if (!generate(database, noteCount, notebookIds)) {
        std::fprintf(stderr,
                     "cannot generate notes: %s\n",
                     qPrintable(database.database().lastError().text()));
        return;
    }
    std::printf("%7d  (generated in %.1f s)\n", noteCount, timer.elapsed() / 1000.0);

    NoteRepository notes(&database);
    const QSqlDatabase db = database.database();
    notes.listAll(); // warm the page cache

    measure(
        noteCount,
        "listAll",
        runs,
        [&] { return int(notes.listAll().size()); },
        [&] {
            return rawSelect(db,
                             QStringLiteral("SELECT * FROM notes WHERE deleted_at IS NULL "
                                            "ORDER BY updated_at DESC"));
        });
    const QString notebookId = notebookIds.at(7);
    measure(
        noteCount,
        "listByNotebook",
        runs * 3,
        [&] { return int(notes.listByNotebook(notebookId).size()); },
        [&] {
            return rawSelect(db,
                             QStringLiteral("SELECT * FROM notes WHERE notebook_id=? AND "
                                            "deleted_at IS NULL ORDER BY updated_at DESC"),
                             {notebookId});
        });
    const QString searchSql = QStringLiteral(
        "SELECT n.* FROM notes n JOIN notes_fts f ON n.rowid = f.rowid "
        "WHERE notes_fts MATCH ? AND n.deleted_at IS NULL ORDER BY rank");
    const QList<QPair<const char *, QString>> searches = {{"search 1 letter 'p'", "p"},
                                                          {"search 3 letters 'pro'", "pro"},
                                                          {"search 5 letters 'proje'", "proje"},
                                                          {"search 'client meet'", "client meet"}};
    for (const auto &search : searches) {
        const QString text = search.second;
        measure(
            noteCount,
            search.first,
            runs,
            [&] { return int(notes.search(text).size()); },
            [&] { return rawSelect(db, searchSql, {text + QLatin1Char('*')}); });
    }
    measure(
        noteCount,
        "countsByNotebook",
        runs * 3,
        [&] { return int(notes.countsByNotebook().size()); },
        [&] {
            return rawSelect(db,
                             QStringLiteral("SELECT notebook_id, COUNT(*) AS c FROM notes WHERE "
                                            "deleted_at IS NULL GROUP BY notebook_id"));
        });

    // One edit of one note, as the editor's save does it.
    Note note = notes.listByNotebook(notebookId).first();
    const QString originalBody = note.body;
    int edit = 0;
    auto nextBody = [&] {
        ++edit;
        return originalBody.left(originalBody.size() - 1)
               + QStringLiteral(",{\"insert\":\"edit %1\\n\"}]").arg(edit);
    };
    measure(
        noteCount,
        "update (one note)",
        runs * 5,
        [&] {
            note.body = nextBody();
            note.updatedAt = QDateTime::currentDateTimeUtc();
            note.modifiedAt = note.updatedAt;
            note.syncStatus = SyncStatus::Pending;
            return notes.update(note) ? 1 : 0;
        },
        [&] {
            QSqlQuery query(db);
            query.prepare(QStringLiteral(
                "UPDATE notes SET notebook_id=?, body=?, updated_at=?, modified_at=?, "
                "deleted_at=?, version=?, op_version=?, sync_status=?, is_sample=?, owner_id=?, "
                "is_shared=?, permission=? WHERE id=?"));
            const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
            for (const QVariant &value : QVariantList{note.notebookId,
                                                      nextBody(),
                                                      now,
                                                      now,
                                                      QVariant(QMetaType::fromType<QString>()),
                                                      note.version,
                                                      note.opVersion,
                                                      QStringLiteral("pending"),
                                                      0,
                                                      QVariant(QMetaType::fromType<QString>()),
                                                      0,
                                                      QVariant(QMetaType::fromType<QString>()),
                                                      note.id})
                query.addBindValue(value);
            return query.exec() ? 1 : 0;
        });
}

// The same statements as Database::open and migrate, run directly.
int rawMigration(const QString &path)
{
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
    int ok = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            query.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
            query.exec(schemaVersionTableStatement());
            query.exec(QStringLiteral("SELECT version FROM schema_version LIMIT 1"));
            query.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (0)"));
            db.transaction();
            for (const QString &statement : initialSchemaStatements())
                query.exec(statement);
            db.commit();
            query.exec(QStringLiteral("UPDATE schema_version SET version = 1"));
            query.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
            db.transaction();
            for (const SchemaStep &step : notesRebuildSteps())
                query.exec(step.statement);
            db.commit();
            query.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
            ok = query.exec(QStringLiteral("UPDATE schema_version SET version = 2")) ? 1 : 0;
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

void benchMigration(int runs)
{
    QTemporaryDir dir;
    int file = 0;
    measure(
        0,
        "open + migrate fresh file",
        runs,
        [&] {
            Database database;
            const QString path = dir.filePath(QStringLiteral("repo%1.db").arg(++file));
            return database.open(path) && database.migrate() ? 1 : 0;
        },
        [&] { return rawMigration(dir.filePath(QStringLiteral("raw%1.db").arg(++file))); });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
#ifdef __GLIBC__
    // By default glibc hands freed heap back to the kernel after every run,
    // so each list the repository returns is built in freshly faulted pages,
    // while the raw loop keeps reusing one row's buffer. Keeping the heap, as
    // a long-running application does, leaves both sides the same allocator
    // costs and the ratio shows the repository's own work.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, 64 << 20);
#endif
    // The store logs each open and migration; the table is the output here.
    QLoggingCategory::setFilterRules(QStringLiteral("velmora.storage.info=false"));

    QElapsedTimer total;
    total.start();
    std::printf("Store benchmark: median thread CPU ms of repeated runs; raw = same SQL through\n"
                "QSqlQuery, rows stepped and every column read, no record mapping; heap kept\n"
                "between runs. Target: repository within 1.50x of raw.\n");
    std::printf("%7s  %-26s %7s %10s %10s %7s\n",
                "notes",
                "operation",
                "rows",
                "repo ms",
                "raw ms",
                "ratio");
    // Sizes may be given on the command line for a quicker look.
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QByteArray(argv[i]).toInt();
    sizes.removeAll(0);
    if (sizes.isEmpty())
        sizes = {10000, 100000};
    benchMigration(9);
    for (int size : sizes)
        benchStore(size, size > 50000 ? 3 : 5);
    std::printf("%s (%d over 1.50), total %.1f s\n",
                g_over ? "Target missed" : "Target met",
                g_over,
                total.elapsed() / 1000.0);
    return 0;
}
