// Backup, restore and JEX import beside the raw cost of the same I/O: the
// same bytes zipped by libarchive alone, the same archive unpacked by
// libarchive alone, and the same rows inserted with one prepared statement in
// one transaction.

#include "app/appstate.h"
#include "document/converters.h"
#include "interchange/backup.h"
#include "interchange/jeximport.h"
#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/note.h"
#include "storage/notebook.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <archive.h>
#include <archive_entry.h>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int kNotes = 10000;
constexpr int kAttachments = 1000;
constexpr int kAttachmentBytes = 100 * 1024;
constexpr int kJexNotes = 2000;
constexpr int kRuns = 3;
constexpr int kJexRuns = 7; // short runs: more of them steady the median

struct Store
{
    QTemporaryDir dir;
    AppState state;
    bool open()
    {
        state.setStoragePaths(dir.filePath(QStringLiteral("b.db")),
                              dir.filePath(QStringLiteral("attachments")));
        return state.initialize();
    }
    QString attachments() const { return dir.filePath(QStringLiteral("attachments")); }
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median milliseconds of `run`, each run after its own untimed `prepare`.
double measure(const std::function<void()> &prepare,
               const std::function<void()> &run,
               int runs = kRuns)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
#ifdef Q_OS_UNIX
        // The disk writes of earlier runs (and of removing their stores)
        // must not land inside this one's time.
        ::sync();
#endif
        QElapsedTimer timer;
        timer.start();
        run();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    return median(times);
}

QString noteBody(int i)
{
    QString text = QStringLiteral("Note %1\n").arg(i);
    for (int line = 0; line < 4; ++line)
        text += QStringLiteral("Line %1 of note %2 with some words to search for later on.\n")
                    .arg(line)
                    .arg(i);
    const QJsonArray ops{QJsonObject{{"insert", text}}};
    return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
}

bool insertRaw(Database *database, const QList<Note> &notes, const QList<Notebook> &notebooks)
{
    QSqlDatabase db = database->database();
    db.transaction();
    QSqlQuery notebookQuery(db);
    notebookQuery.prepare(QStringLiteral(
        "INSERT INTO notebooks (id, name, is_default, is_shared, owner_id, created_at, "
        "updated_at, deleted_at, version, sync_status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const Notebook &n : notebooks) {
        notebookQuery.addBindValue(n.id);
        notebookQuery.addBindValue(n.name);
        notebookQuery.addBindValue(0);
        notebookQuery.addBindValue(0);
        notebookQuery.addBindValue(QVariant());
        notebookQuery.addBindValue(n.createdAt.toString(Qt::ISODateWithMs));
        notebookQuery.addBindValue(n.updatedAt.toString(Qt::ISODateWithMs));
        notebookQuery.addBindValue(QVariant());
        notebookQuery.addBindValue(n.version);
        notebookQuery.addBindValue(QStringLiteral("pending"));
        if (!notebookQuery.exec())
            return false;
    }
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO notes (id, notebook_id, body, created_at, updated_at, modified_at, "
        "deleted_at, version, op_version, sync_status, is_sample, owner_id, is_shared, "
        "permission) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const Note &n : notes) {
        query.addBindValue(n.id);
        query.addBindValue(n.notebookId.isNull() ? QStringLiteral("") : n.notebookId);
        query.addBindValue(n.body);
        query.addBindValue(n.createdAt.toString(Qt::ISODateWithMs));
        query.addBindValue(n.updatedAt.toString(Qt::ISODateWithMs));
        query.addBindValue(n.modifiedAt.toString(Qt::ISODateWithMs));
        query.addBindValue(n.deletedAt ? QVariant(n.deletedAt->toString(Qt::ISODateWithMs))
                                       : QVariant());
        query.addBindValue(n.version);
        query.addBindValue(n.opVersion);
        query.addBindValue(QStringLiteral("pending"));
        query.addBindValue(0);
        query.addBindValue(QVariant());
        query.addBindValue(0);
        query.addBindValue(QVariant());
        if (!query.exec())
            return false;
    }
    return db.commit();
}

// The backup's entries zipped by libarchive alone: JSON bytes already in
// memory, attachment files streamed from disk.
bool rawZip(const QString &zipPath,
            const QList<QPair<QString, QByteArray>> &entries,
            const QString &attachmentsDirectory)
{
    struct archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_add_filter_none(a);
    archive_write_set_bytes_per_block(a, 64 * 1024);
    archive_write_set_bytes_in_last_block(a, 1);
    if (archive_write_open_filename(a, QFile::encodeName(zipPath).constData()) != ARCHIVE_OK)
        return false;
    auto add = [&](const QString &name, const QByteArray &data) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, name.toUtf8().constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, data.size());
        archive_write_header(a, entry);
        archive_write_data(a, data.constData(), size_t(data.size()));
        archive_entry_free(entry);
    };
    for (const auto &entry : entries)
        add(entry.first, entry.second);
    const QFileInfoList files = QDir(attachmentsDirectory).entryInfoList(QDir::Files);
    for (const QFileInfo &info : files) {
        QFile file(info.filePath());
        file.open(QIODevice::ReadOnly);
        add(QStringLiteral("attachments/") + info.fileName(), file.readAll());
    }
    const bool ok = archive_write_close(a) == ARCHIVE_OK;
    archive_write_free(a);
    return ok;
}

// The archive unpacked by libarchive alone, without any checks.
bool rawUnzip(const QString &zipPath, const QString &target)
{
    struct archive *a = archive_read_new();
    archive_read_support_format_zip(a);
    if (archive_read_open_filename(a, QFile::encodeName(zipPath).constData(), 256 * 1024)
        != ARCHIVE_OK)
        return false;
    archive_entry *entry = nullptr;
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
        const QString path = target + QLatin1Char('/')
                             + QString::fromUtf8(archive_entry_pathname(entry));
        if (archive_entry_filetype(entry) == AE_IFDIR) {
            QDir().mkpath(path);
            continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        la_ssize_t n;
        while ((n = archive_read_data(a, buffer.data(), size_t(buffer.size()))) > 0)
            file.write(buffer.constData(), n);
    }
    archive_read_free(a);
    return true;
}

QByteArray tarHeaderFor(const QByteArray &name, qint64 size)
{
    QByteArray h(512, '\0');
    auto set = [&](int offset, const QByteArray &value) {
        for (int i = 0; i < value.size(); ++i)
            h[offset + i] = value[i];
    };
    set(0, name);
    set(100, "0000644");
    set(124, QByteArray::number(size, 8).rightJustified(11, '0'));
    set(136, "14000000000");
    h[156] = '0';
    set(257, "ustar");
    set(148, "        ");
    unsigned sum = 0;
    for (char c : h)
        sum += static_cast<unsigned char>(c);
    set(148, QByteArray::number(sum, 8).rightJustified(6, '0') + '\0' + ' ');
    return h;
}

void printRatio(
    const char *what, double value, const char *baselineName, double baseline, double target)
{
    std::printf("%-44s %9.1f ms   %-34s %9.1f ms   ratio %5.2f (target <= %.1f)\n",
                what,
                value,
                baselineName,
                baseline,
                value / baseline,
                target);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false\n*.debug=false"));

    // The store to back up: 10,000 notes in 20 notebooks, 1,000 files of 100 KB.
    Store source;
    if (!source.open())
        return 1;
    QList<Notebook> notebooks;
    QList<Note> notes;
    {
        QSqlDatabase db = source.state.database()->database();
        db.transaction();
        for (int i = 0; i < 20; ++i) {
            Notebook n;
            n.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
            n.name = QStringLiteral("Notebook %1").arg(i);
            n.createdAt = n.updatedAt = QDateTime::currentDateTimeUtc();
            source.state.notebooks()->insert(n);
            notebooks.append(n);
        }
        for (int i = 0; i < kNotes; ++i) {
            Note n = Note::create(notebooks[i % notebooks.size()].id);
            n.body = noteBody(i);
            source.state.notes()->insert(n);
            notes.append(n);
        }
        db.commit();
        QDir().mkpath(source.attachments());
        QByteArray bytes(kAttachmentBytes, Qt::Uninitialized);
        for (int i = 0; i < kAttachments; ++i) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()),
                                                  kAttachmentBytes / 4);
            QFile file(source.attachments() + QLatin1Char('/')
                       + QUuid::createUuid().toString(QUuid::WithoutBraces));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
        }
    }

    QTemporaryDir out;
    const QString zip = out.filePath(QStringLiteral("backup.zip"));
    const QString rawZipPath = out.filePath(QStringLiteral("raw.zip"));

    QList<QPair<QString, QByteArray>> jsonEntries;
    for (const Notebook &n : notebooks)
        jsonEntries.append({QStringLiteral("notebooks/%1.json").arg(n.id),
                            QJsonDocument(notebookToJson(n)).toJson()});
    for (const Note &n : notes)
        jsonEntries.append(
            {QStringLiteral("notes/%1.json").arg(n.id), QJsonDocument(noteToJson(n)).toJson()});

    const double rawZipMs = measure(nullptr, [&] {
        QFile::remove(rawZipPath);
        rawZip(rawZipPath, jsonEntries, source.attachments());
    });
    int backedUp = 0;
    const double backupMs = measure(nullptr,
                                    [&] { backedUp = createBackup(zip, &source.state).imported; });

    // Restore into a fresh store each run, beside raw unpacking and raw inserts.
    std::unique_ptr<Store> target;
    auto freshStore = [&] {
        target.reset();
        target = std::make_unique<Store>();
        target->open();
    };
    int restored = 0;
    const double restoreMs = measure(freshStore, [&] {
        restored = restoreBackup(zip, &target->state).imported;
    });
    const double rawInsertMs = measure(freshStore, [&] {
        insertRaw(target->state.database(), notes, notebooks);
    });
    std::unique_ptr<QTemporaryDir> unpackDir;
    const double rawUnzipMs = measure([&] { unpackDir = std::make_unique<QTemporaryDir>(); },
                                      [&] { rawUnzip(zip, unpackDir->path()); });
    unpackDir.reset();

    // A Joplin archive of 2,000 Markdown notes in 10 folders, 200 with an image.
    QByteArray tar;
    for (int f = 0; f < 10; ++f) {
        const QByteArray id = QByteArray::number(f).rightJustified(32, 'f');
        const QByteArray item = "Folder " + QByteArray::number(f) + "\n\nid: " + id
                                + "\ncreated_time: 2021-01-01T00:00:00.000Z\ntype_: 2";
        tar += tarHeaderFor(id + ".md", item.size()) + item
               + QByteArray(int((512 - item.size() % 512) % 512), '\0');
    }
    QList<Note> jexRows;
    QStringList jexTexts;
    for (int i = 0; i < kJexNotes; ++i) {
        const QByteArray id = QByteArray::number(i).rightJustified(32, '0');
        QByteArray body = "Title " + QByteArray::number(i) + "\n\n";
        for (int p = 0; p < 3; ++p)
            body += "Some **bold** and *italic* text in paragraph " + QByteArray::number(p)
                    + " with a [link](https://example.com).\n\n- item one\n- item two\n\n";
        QByteArray resource;
        if (i % 10 == 0) {
            resource = QByteArray::number(i).rightJustified(32, 'a');
            body += "![image](:/" + resource + ")\n";
        }
        const QByteArray item = body + "\n\nid: " + id + "\nparent_id: "
                                + QByteArray::number(i % 10).rightJustified(32, 'f')
                                + "\ncreated_time: 2021-01-01T00:00:00.000Z\ntype_: 1";
        tar += tarHeaderFor(id + ".md", item.size()) + item
               + QByteArray(int((512 - item.size() % 512) % 512), '\0');
        if (!resource.isEmpty()) {
            const QByteArray meta = "image.png\n\nid: " + resource
                                    + "\nmime: image/png\nfile_extension: png\ntype_: 4";
            tar += tarHeaderFor(resource + ".md", meta.size()) + meta
                   + QByteArray(int((512 - meta.size() % 512) % 512), '\0');
            const QByteArray blob(10 * 1024, 'p');
            tar += tarHeaderFor("resources/" + resource + ".png", blob.size()) + blob;
        }
        // The row as the import stores it: the title as a heading, converted.
        const QByteArray text = "# Title " + QByteArray::number(i) + "\n\n"
                                + body.mid(body.indexOf("\n\n") + 2);
        Note row = Note::create();
        row.body = QString::fromUtf8(
            QJsonDocument(markdownToDelta(QString::fromUtf8(text))).toJson(QJsonDocument::Compact));
        jexRows.append(row);
        jexTexts.append(QString::fromUtf8(text));
    }
    tar += QByteArray(1024, '\0');
    const QString jexPath = out.filePath(QStringLiteral("bench.jex"));
    {
        QFile file(jexPath);
        file.open(QIODevice::WriteOnly);
        file.write(tar);
    }
    int jexImported = 0;
    const double jexMs = measure(
        freshStore, [&] { jexImported = importJex(jexPath, &target->state).imported; }, kJexRuns);
    // Raw: the same note rows and attachment rows in one transaction, and the
    // same 200 files written plainly.
    const double jexRawMs = measure(
        freshStore,
        [&] {
            insertRaw(target->state.database(), jexRows, {});
            QSqlDatabase db = target->state.database()->database();
            db.transaction();
            QSqlQuery query(db);
            query.prepare(
                QStringLiteral("INSERT INTO attachments (id, note_id, filename, mime_type, "
                               "size_bytes, created_at, sync_status) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?)"));
            const QByteArray blob(10 * 1024, 'p');
            QDir().mkpath(target->attachments());
            for (int i = 0; i < kJexNotes; i += 10) {
                const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
                query.addBindValue(id);
                query.addBindValue(jexRows[i].id);
                query.addBindValue(QStringLiteral("image.png"));
                query.addBindValue(QStringLiteral("image/png"));
                query.addBindValue(blob.size());
                query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
                query.addBindValue(QStringLiteral("pending"));
                query.exec();
                QFile file(target->attachments() + QLatin1Char('/') + id);
                file.open(QIODevice::WriteOnly);
                file.write(blob);
            }
            db.commit();
        },
        kJexRuns);
    target.reset();
    // The Markdown conversion the import cannot avoid, on one thread; the
    // import spreads it over the cores while it stores the notes.
    const double convertMs = measure(nullptr, [&] {
        for (const QString &text : jexTexts)
            markdownToDeltaJson(text);
    });

    std::printf("interchange: %d notes, %d attachments of %d KB; JEX %d notes; "
                "median of %d (JEX: of %d)\n",
                kNotes,
                kAttachments,
                kAttachmentBytes / 1024,
                kJexNotes,
                kRuns,
                kJexRuns);
    std::printf("backup wrote %d notes, restore added %d records, JEX imported %d notes\n",
                backedUp,
                restored,
                jexImported);
    printRatio("backup (createBackup)", backupMs, "raw zip of the same bytes", rawZipMs, 1.5);
    printRatio("restore (restoreBackup)",
               restoreMs,
               "raw inserts of the same rows",
               rawInsertMs,
               3.0);
    printRatio("restore (restoreBackup)",
               restoreMs,
               "raw unzip + raw inserts",
               rawUnzipMs + rawInsertMs,
               3.0);
    printRatio("JEX import of 2,000 notes", jexMs, "raw rows + plain file writes", jexRawMs, 3.0);
    std::printf("(the import's Markdown conversion alone, on one thread: %.1f ms; cores: %d)\n",
                convertMs,
                QThread::idealThreadCount());
    return backedUp == kNotes && restored == kNotes + 20 && jexImported == kJexNotes ? 0 : 1;
}
