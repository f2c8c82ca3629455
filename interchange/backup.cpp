#include "interchange/backup.h"

#include "app/appstate.h"
#include "interchange/importbatch.h"
#include "interchange/interchangelog.h"
#include "interchange/zipextractor.h"
#include "interchange/zipwriter.h"
#include "storage/note.h"
#include "storage/notebook.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <memory>

namespace {

// A backup's JSON files are small; anything far larger is not one of ours.
constexpr qint64 kMaxRecordFileBytes = 64 * 1024 * 1024;

QString tr(const char *text)
{
    return QCoreApplication::translate("Backup", text);
}

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime timeFrom(const QJsonObject &object, const char *key)
{
    return QDateTime::fromString(object.value(QLatin1String(key)).toString(), Qt::ISODateWithMs)
        .toUTC();
}

std::optional<QDateTime> optionalTimeFrom(const QJsonObject &object, const char *key)
{
    const QString text = object.value(QLatin1String(key)).toString();
    if (text.isEmpty())
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    return time.toUTC();
}

// Missing keys read as empty (never null) strings, which the NOT NULL
// columns accept.
QString stringFrom(const QJsonObject &object, const char *key)
{
    const QString value = object.value(QLatin1String(key)).toString();
    return value.isNull() ? QStringLiteral("") : value;
}

// Ids become file names; an id that is not a plain name is percent-encoded
// so it cannot add folders. Restore reads the id from the content.
QString fileNameFor(const QString &id)
{
    const bool plain = !id.isEmpty() && !id.contains(QLatin1Char('/'))
                       && !id.contains(QLatin1Char('\\')) && !id.contains(QLatin1Char(':'))
                       && !id.startsWith(QLatin1Char('.')) && !id.contains(QChar(0));
    const QString base = plain ? id : QString::fromLatin1(QUrl::toPercentEncoding(id));
    return base + QStringLiteral(".json");
}

QByteArray jsonBytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

// A record of the archive as a JSON object with a non-empty "id"; anything
// else is empty.
QJsonObject parseRecord(const QByteArray &bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return QJsonObject();
    const QJsonObject object = document.object();
    if (object.value(QLatin1String("id")).toString().isEmpty())
        return QJsonObject();
    return object;
}

// A "*.json" file directly inside "notes" or "notebooks".
bool isRecordPath(const QString &path)
{
    const int slash = path.indexOf(QLatin1Char('/'));
    if (slash < 0 || path.indexOf(QLatin1Char('/'), slash + 1) >= 0)
        return false;
    const QStringView folder = QStringView(path).left(slash);
    return (folder == QLatin1String("notes") || folder == QLatin1String("notebooks"))
           && path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
}

// The record files of one folder: those the extractor kept in memory, then
// any that went to the staging folder. (name, content); empty content for a
// file that cannot be read.
QList<QPair<QString, QByteArray>> recordFiles(const QString &folder,
                                              const QString &stage,
                                              const QList<QPair<QString, QByteArray>> &inMemory)
{
    QList<QPair<QString, QByteArray>> files;
    const QString prefix = folder + QLatin1Char('/');
    for (const auto &entry : inMemory) {
        if (entry.first.startsWith(prefix))
            files.append(entry);
    }
    const QFileInfoList staged = QDir(stage + QLatin1Char('/') + folder)
                                     .entryInfoList({QStringLiteral("*.json")},
                                                    QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &info : staged) {
        QByteArray bytes;
        QFile file(info.filePath());
        if (info.size() <= kMaxRecordFileBytes && file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        files.append({prefix + info.fileName(), bytes});
    }
    return files;
}

// A record whose times are missing or unreadable would be stored with empty
// time columns; it gets the time of the restore instead.
void fillMissingTimes(QDateTime &created, QDateTime &updated, QDateTime &modified)
{
    if (!created.isValid())
        created = QDateTime::currentDateTimeUtc();
    if (!updated.isValid())
        updated = created;
    if (!modified.isValid())
        modified = updated;
}

ImportResult failure(const QString &message)
{
    ImportResult result;
    result.errors = 1;
    result.error = message;
    return result;
}

// Restores record files with the given lookup and insert.
void restoreRecords(const QList<QPair<QString, QByteArray>> &files,
                    const std::function<bool(const QJsonObject &)> &exists,
                    const std::function<bool(const QJsonObject &)> &insert,
                    ImportResult &result)
{
    for (const auto &file : files) {
        const QJsonObject object = parseRecord(file.second);
        if (object.isEmpty()) {
            qCWarning(lcInterchange) << "restoreBackup: not a record:" << file.first;
            ++result.errors;
            continue;
        }
        if (exists(object)) {
            ++result.skipped;
        } else if (insert(object)) {
            ++result.imported;
        } else {
            ++result.errors;
        }
    }
}

} // namespace

QJsonObject noteToJson(const Note &note)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), note.id);
    object.insert(QStringLiteral("notebookId"),
                  note.notebookId.isNull() ? QString() : note.notebookId);
    object.insert(QStringLiteral("body"), note.body);
    object.insert(QStringLiteral("createdAt"), timeText(note.createdAt));
    object.insert(QStringLiteral("updatedAt"), timeText(note.updatedAt));
    object.insert(QStringLiteral("modifiedAt"), timeText(note.modifiedAt));
    if (note.deletedAt)
        object.insert(QStringLiteral("deletedAt"), timeText(*note.deletedAt));
    object.insert(QStringLiteral("version"), note.version);
    return object;
}

Note noteFromJson(const QJsonObject &object)
{
    Note note;
    note.id = stringFrom(object, "id");
    note.notebookId = stringFrom(object, "notebookId");
    note.body = stringFrom(object, "body");
    note.createdAt = timeFrom(object, "createdAt");
    note.updatedAt = timeFrom(object, "updatedAt");
    note.modifiedAt = timeFrom(object, "modifiedAt");
    note.deletedAt = optionalTimeFrom(object, "deletedAt");
    note.version = object.value(QLatin1String("version")).toInt(1);
    note.opVersion = 0;
    note.syncStatus = SyncStatus::Pending;
    note.isSample = false;
    note.ownerId.clear();
    note.isShared = false;
    note.permission.clear();
    return note;
}

QJsonObject notebookToJson(const Notebook &notebook)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), notebook.id);
    object.insert(QStringLiteral("name"), notebook.name);
    object.insert(QStringLiteral("isDefault"), notebook.isDefault);
    object.insert(QStringLiteral("isShared"), notebook.isShared);
    object.insert(QStringLiteral("ownerId"),
                  notebook.ownerId.isNull() ? QString() : notebook.ownerId);
    object.insert(QStringLiteral("createdAt"), timeText(notebook.createdAt));
    object.insert(QStringLiteral("updatedAt"), timeText(notebook.updatedAt));
    if (notebook.deletedAt)
        object.insert(QStringLiteral("deletedAt"), timeText(*notebook.deletedAt));
    object.insert(QStringLiteral("version"), notebook.version);
    return object;
}

Notebook notebookFromJson(const QJsonObject &object)
{
    Notebook notebook;
    notebook.id = stringFrom(object, "id");
    notebook.name = stringFrom(object, "name");
    notebook.isDefault = object.value(QLatin1String("isDefault")).toBool();
    notebook.isShared = object.value(QLatin1String("isShared")).toBool();
    notebook.ownerId = object.value(QLatin1String("ownerId")).toString();
    notebook.createdAt = timeFrom(object, "createdAt");
    notebook.updatedAt = timeFrom(object, "updatedAt");
    notebook.deletedAt = optionalTimeFrom(object, "deletedAt");
    notebook.version = object.value(QLatin1String("version")).toInt(1);
    notebook.syncStatus = SyncStatus::Pending;
    return notebook;
}

ImportResult createBackup(const QString &zipPath, AppState *appState)
{
    if (!appState || !appState->notes() || !appState->notebooks())
        return failure(tr("Failed to create ZIP: %1").arg(tr("the store is not open")));

    // The records and files go straight from the store into the archive;
    // no copy of the store is staged on disk first.
    ZipWriter writer;
    if (!writer.open(zipPath))
        return failure(tr("Failed to create ZIP: %1").arg(writer.errorString()));

    const QList<Notebook> notebooks = appState->notebooks()->listAll();
    QList<Note> notes = appState->notes()->listAll();
    notes += appState->notes()->listTrash();

    QJsonObject manifest;
    manifest.insert(QStringLiteral("version"), 1);
    manifest.insert(QStringLiteral("exportedAt"), timeText(QDateTime::currentDateTimeUtc()));
    manifest.insert(QStringLiteral("noteCount"), int(notes.size()));
    manifest.insert(QStringLiteral("notebookCount"), int(notebooks.size()));

    bool ok = writer.addFile(QStringLiteral("manifest.json"), jsonBytes(manifest))
              && writer.addDirectory(QStringLiteral("notebooks"))
              && writer.addDirectory(QStringLiteral("notes"))
              && writer.addDirectory(QStringLiteral("attachments"));
    for (int i = 0; ok && i < notebooks.size(); ++i)
        ok = writer.addFile(QStringLiteral("notebooks/") + fileNameFor(notebooks[i].id),
                            jsonBytes(notebookToJson(notebooks[i])));
    for (int i = 0; ok && i < notes.size(); ++i)
        ok = writer.addFile(QStringLiteral("notes/") + fileNameFor(notes[i].id),
                            jsonBytes(noteToJson(notes[i])));

    const QString attachmentsDirectory = appState->attachmentsDirectory();
    if (ok && QFileInfo(attachmentsDirectory).isDir()) {
        const QFileInfoList files = QDir(attachmentsDirectory)
                                        .entryInfoList(QDir::Files | QDir::Hidden
                                                       | QDir::NoSymLinks);
        for (const QFileInfo &info : files) {
            if (writer.addFileFromDisk(QStringLiteral("attachments/") + info.fileName(),
                                       info.filePath()))
                continue;
            // An unreadable file is left out; a spoiled archive ends the backup.
            if (writer.hasFailed()) {
                ok = false;
                break;
            }
            qCWarning(lcInterchange) << "createBackup: left out" << writer.errorString();
        }
    }
    if (!ok || !writer.commit())
        return failure(tr("Failed to create ZIP: %1").arg(writer.errorString()));

    ImportResult result;
    result.imported = int(notes.size());
    return result;
}

ImportResult restoreBackup(const QString &zipPath, AppState *appState)
{
    if (!appState || !appState->notes() || !appState->notebooks())
        return failure(tr("Failed to extract backup"));

    const QString attachmentsDirectory = appState->attachmentsDirectory();
    const std::unique_ptr<QTemporaryDir> staging = ZipExtractor::makeStaging(attachmentsDirectory);
    if (!staging->isValid())
        return failure(tr("Failed to create temp directory"));
    const QString stage = staging->path();

    ZipExtractor extractor;
    extractor.setKeepInMemory(isRecordPath);
    if (!extractor.extract(zipPath, stage)) {
        qCWarning(lcInterchange) << "restoreBackup: extraction failed:" << extractor.errorString();
        return failure(tr("Failed to extract backup"));
    }
    for (const QString &skipped : extractor.skippedEntries())
        qCWarning(lcInterchange) << "restoreBackup: left out unsafe entry" << skipped;

    const QFileInfo manifestInfo(stage + QStringLiteral("/manifest.json"));
    QFile manifest(manifestInfo.filePath());
    if (!manifestInfo.isFile() || !manifest.open(QIODevice::ReadOnly))
        return failure(tr("No manifest.json found"));
    manifest.close();

    ImportResult result;
    NotebookRepository *notebooks = appState->notebooks();
    NoteRepository *notes = appState->notes();
    ImportBatch batch(appState->database());

    const QList<QPair<QString, QByteArray>> inMemory = extractor.inMemoryEntries();
    restoreRecords(
        recordFiles(QStringLiteral("notebooks"), stage, inMemory),
        [&](const QJsonObject &object) {
            return notebooks->get(object.value(QLatin1String("id")).toString()).has_value();
        },
        [&](const QJsonObject &object) {
            Notebook notebook = notebookFromJson(object);
            fillMissingTimes(notebook.createdAt, notebook.updatedAt, notebook.updatedAt);
            return notebooks->insert(notebook);
        },
        result);
    restoreRecords(
        recordFiles(QStringLiteral("notes"), stage, inMemory),
        [&](const QJsonObject &object) {
            return notes->get(object.value(QLatin1String("id")).toString()).has_value();
        },
        [&](const QJsonObject &object) {
            Note note = noteFromJson(object);
            fillMissingTimes(note.createdAt, note.updatedAt, note.modifiedAt);
            return notes->insert(note);
        },
        result);

    const QString stagedAttachments = stage + QStringLiteral("/attachments");
    if (QFileInfo(stagedAttachments).isDir() && !attachmentsDirectory.isEmpty()) {
        QDir().mkpath(attachmentsDirectory);
        const QFileInfoList files
            = QDir(stagedAttachments).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
        for (const QFileInfo &info : files) {
            const QString target = attachmentsDirectory + QLatin1Char('/') + info.fileName();
            const QFileInfo existing(target);
            if (existing.exists() || existing.isSymLink())
                continue;
            // rename never replaces an existing file and falls back to a
            // copy across volumes.
            if (!QFile::rename(info.filePath(), target))
                qCWarning(lcInterchange)
                    << "restoreBackup: cannot place attachment" << info.fileName();
        }
    }

    QString commitError;
    if (!batch.finish(&commitError)) {
        ImportResult failed = failure(
            tr("Failed to save the restored records: %1").arg(commitError));
        failed.skipped = result.skipped;
        return failed;
    }
    return result;
}
