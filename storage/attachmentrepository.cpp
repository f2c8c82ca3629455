#include "storage/attachmentrepository.h"

#include "storage/database.h"
#include "storage/sqlrecords.h"
#include "storage/sqlvalues.h"
#include "storage/storagelogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

struct AttachmentColumns
{
    explicit AttachmentColumns(const QSqlRecord &record)
        : id(record.indexOf(QLatin1String("id")))
        , noteId(record.indexOf(QLatin1String("note_id")))
        , filename(record.indexOf(QLatin1String("filename")))
        , mimeType(record.indexOf(QLatin1String("mime_type")))
        , sizeBytes(record.indexOf(QLatin1String("size_bytes")))
        , createdAt(record.indexOf(QLatin1String("created_at")))
        , syncStatus(record.indexOf(QLatin1String("sync_status")))
    {}

    int id;
    int noteId;
    int filename;
    int mimeType;
    int sizeBytes;
    int createdAt;
    int syncStatus;
};

void readAttachment(const QSqlQuery &query, const AttachmentColumns &columns, Attachment &attachment)
{
    attachment.id = query.value(columns.id).toString();
    attachment.noteId = query.value(columns.noteId).toString();
    attachment.filename = query.value(columns.filename).toString();
    attachment.mimeType = query.value(columns.mimeType).toString();
    attachment.sizeBytes = query.value(columns.sizeBytes).toLongLong();
    attachment.createdAt = timestampFromText(query.value(columns.createdAt).toString());
    attachment.syncStatus = syncStatusFromText(query.value(columns.syncStatus).toString());
}

// Ids come from importers and the server too; one that could climb out of
// the attachments directory must never name a file.
bool isSafeFileName(const QString &id)
{
    if (id.isEmpty() || id == QLatin1String(".") || id == QLatin1String(".."))
        return false;
    for (const QChar c : id) {
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() == 0)
            return false;
    }
    return true;
}

#ifdef Q_OS_UNIX
// Makes everything written to the file system holding `directory` durable:
// on Linux one syncfs() for all the files of a batch, elsewhere one fsync()
// per file and one for the directory that names them.
bool syncToDisk(const QString &directory, const QStringList &files)
{
#ifdef Q_OS_LINUX
    Q_UNUSED(files);
    const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
#else
    QStringList paths = files;
    paths.append(directory);
    for (const QString &path : std::as_const(paths)) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd < 0)
            return false;
        const bool ok = ::fsync(fd) == 0;
        ::close(fd);
        if (!ok)
            return false;
    }
    return true;
#endif
}
#else
bool syncToDisk(const QString &, const QStringList &)
{
    return true;
}
#endif

} // namespace

AttachmentRepository::AttachmentRepository(Database *database,
                                           const QString &attachmentsDirectory,
                                           QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_directory(attachmentsDirectory)
    , m_changed(database, [this] { emit attachmentsChanged(); })
{
    connect(m_database, &Database::batchCommitting, this, &AttachmentRepository::syncBatchFiles);
    connect(m_database, &Database::batchEnded, this, &AttachmentRepository::batchEnded);
}

QString AttachmentRepository::filePath(const QString &id) const
{
    if (!isSafeFileName(id))
        return QString();
    return m_directory + QLatin1Char('/') + id;
}

bool AttachmentRepository::saveFile(const QString &id, const QByteArray &bytes)
{
    const QString path = filePath(id);
    if (path.isEmpty()) {
        qCWarning(lcStorage).noquote() << "AttachmentRepository::saveFile open failed:"
                                       << "unsafe attachment id" << id;
        return false;
    }
    QDir().mkpath(m_directory);
    // Bytes saved now must outlive a removal queued earlier in the batch.
    m_batchRemovedFiles.removeAll(path);
    if (m_database->inBatch() && !QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return saveNewFile(path, bytes);
    return replaceFile(path, bytes);
}

// A file that did not exist: nothing can be destroyed by writing it in
// place, and it is synced with the rest of the batch before the rows that
// name it commit.
bool AttachmentRepository::saveNewFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        // Appeared meanwhile: replaced the careful way instead.
        if (QFileInfo::exists(path))
            return replaceFile(path, bytes);
        qCWarning(lcStorage).noquote()
            << "AttachmentRepository::saveFile open failed:" << file.errorString();
        return false;
    }
    const qint64 written = file.write(bytes);
    file.close();
    if (written != bytes.size() || file.error() != QFileDevice::NoError) {
        qCWarning(lcStorage).noquote()
            << "AttachmentRepository::saveFile short write:" << qMax<qint64>(written, 0) << "/"
            << bytes.size();
        QFile::remove(path);
        return false;
    }
    m_batchNewFiles.append(path);
    return true;
}

// Written beside the target and renamed over it, so that a failed write
// never destroys the bytes already stored under this id.
bool AttachmentRepository::replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcStorage).noquote()
            << "AttachmentRepository::saveFile open failed:" << file.errorString();
        return false;
    }
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        qCWarning(lcStorage).noquote()
            << "AttachmentRepository::saveFile short write:" << qMax<qint64>(written, 0) << "/"
            << bytes.size();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qCWarning(lcStorage).noquote()
            << "AttachmentRepository::saveFile commit failed:" << file.errorString();
        return false;
    }
    return true;
}

void AttachmentRepository::syncBatchFiles()
{
    if (m_batchNewFiles.isEmpty())
        return;
    if (!syncToDisk(m_directory, m_batchNewFiles))
        m_database->failBatch(QStringLiteral("attachment files could not be synced to disk"));
}

void AttachmentRepository::batchEnded(bool committed)
{
    const QStringList created = std::exchange(m_batchNewFiles, {});
    const QStringList removed = std::exchange(m_batchRemovedFiles, {});
    // After a rollback no row names the files this batch created; the files
    // that were to be removed still belong to rows that remain.
    for (const QString &path : committed ? removed : created) {
        if (QFile::exists(path) && !QFile::remove(path))
            qCWarning(lcStorage).noquote() << "AttachmentRepository: cannot remove" << path;
    }
    m_changed.flush();
}

void AttachmentRepository::removeFile(const QString &path)
{
    if (path.isEmpty())
        return;
    if (m_database->inBatch()) {
        if (!m_batchRemovedFiles.contains(path))
            m_batchRemovedFiles.append(path);
        return;
    }
    if (QFile::exists(path) && !QFile::remove(path))
        qCWarning(lcStorage).noquote() << "AttachmentRepository: cannot remove" << path;
}

QByteArray AttachmentRepository::readFile(const QString &id) const
{
    const QString path = filePath(id);
    if (path.isEmpty())
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool AttachmentRepository::insert(const Attachment &attachment)
{
    QString error;
    if (!execStatement(m_database,
                       QStringLiteral("INSERT INTO attachments (id, note_id, filename, mime_type, "
                                      "size_bytes, created_at, sync_status) VALUES (?, ?, ?, ?, "
                                      "?, ?, ?)"),
                       {textOrEmpty(attachment.id),
                        textOrEmpty(attachment.noteId),
                        textOrEmpty(attachment.filename),
                        textOrEmpty(attachment.mimeType),
                        attachment.sizeBytes,
                        timestampToText(attachment.createdAt),
                        syncStatusText(attachment.syncStatus)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "AttachmentRepository::insert failed:" << error;
        return false;
    }
    m_changed.raise();
    return true;
}

std::optional<Attachment> AttachmentRepository::get(const QString &id) const
{
    return selectRecord<Attachment,
                        AttachmentColumns>(m_database->database(),
                                           QStringLiteral("SELECT * FROM attachments WHERE id = ?"),
                                           {textOrEmpty(id)},
                                           readAttachment);
}

QList<Attachment> AttachmentRepository::list(const QString &sql, const QVariantList &values) const
{
    return selectRecords<Attachment, AttachmentColumns>(m_database->database(),
                                                        sql,
                                                        values,
                                                        readAttachment);
}

QList<Attachment> AttachmentRepository::listForNote(const QString &noteId) const
{
    return list(QStringLiteral(
                    "SELECT * FROM attachments WHERE note_id = ? ORDER BY created_at ASC"),
                {textOrEmpty(noteId)});
}

QList<Attachment> AttachmentRepository::listPending() const
{
    return list(QStringLiteral("SELECT * FROM attachments WHERE sync_status = 'pending' "
                               "ORDER BY created_at ASC"));
}

bool AttachmentRepository::markSynced(const QString &id)
{
    QString error;
    if (!execStatement(m_database,
                       QStringLiteral("UPDATE attachments SET sync_status = 'synced' WHERE id = ?"),
                       {textOrEmpty(id)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "AttachmentRepository::markSynced failed:" << error;
        return false;
    }
    return true;
}

bool AttachmentRepository::deleteById(const QString &id)
{
    // The row goes first: if it cannot be deleted, the file (the only copy of
    // the bytes) must still be there for the row that remains.
    QString error;
    if (!execStatement(m_database,
                       QStringLiteral("DELETE FROM attachments WHERE id = ?"),
                       {textOrEmpty(id)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "AttachmentRepository::deleteById failed:" << error;
        return false;
    }
    removeFile(filePath(id)); // a file already gone is fine
    m_changed.raise();
    return true;
}

bool AttachmentRepository::deleteForNote(const QString &noteId)
{
    bool allDeleted = true;
    const QList<Attachment> attachments = listForNote(noteId);
    for (const Attachment &attachment : attachments) {
        if (!deleteById(attachment.id))
            allDeleted = false;
    }
    return allDeleted;
}

void AttachmentRepository::removeFiles(const QStringList &ids)
{
    if (ids.isEmpty())
        return;
    for (const QString &id : ids)
        removeFile(filePath(id));
    m_changed.raise();
}
