#include "interchange/zipwriter.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <archive.h>
#include <archive_entry.h>

namespace {
constexpr qint64 kChunkSize = 1024 * 1024;

la_ssize_t writeToFile(struct archive *, void *clientData, const void *buffer, size_t length)
{
    auto *file = static_cast<QSaveFile *>(clientData);
    const qint64 written = file->write(static_cast<const char *>(buffer),
                                       static_cast<qint64>(length));
    return written == static_cast<qint64>(length) ? static_cast<la_ssize_t>(written) : -1;
}
} // namespace

ZipWriter::ZipWriter() = default;

ZipWriter::~ZipWriter()
{
    if (m_archive) {
        // Not committed: drop the half-written archive; the QSaveFile
        // discards its temporary file on destruction.
        archive_write_free(m_archive);
    }
}

bool ZipWriter::open(const QString &zipPath)
{
    if (m_archive)
        return fail(QStringLiteral("archive already open"));
    m_file = std::make_unique<QSaveFile>(zipPath);
    if (!m_file->open(QIODevice::WriteOnly))
        return fail(m_file->errorString());

    m_archive = archive_write_new();
    if (!m_archive)
        return fail(QStringLiteral("out of memory"));
    if (archive_write_set_format_zip(m_archive) != ARCHIVE_OK
        || archive_write_add_filter_none(m_archive) != ARCHIVE_OK
        || archive_write_set_format_option(m_archive, "zip", "compression", "deflate") < ARCHIVE_WARN
        || archive_write_set_format_option(m_archive, "zip", "hdrcharset", "UTF-8") < ARCHIVE_WARN
        || archive_write_set_bytes_per_block(m_archive, 64 * 1024) != ARCHIVE_OK
        || archive_write_set_bytes_in_last_block(m_archive, 1) != ARCHIVE_OK)
        return failFromArchive(QStringLiteral("cannot set up the ZIP writer"));
    if (archive_write_open2(m_archive, m_file.get(), nullptr, &writeToFile, nullptr, nullptr)
        != ARCHIVE_OK)
        return failFromArchive(QStringLiteral("cannot open the archive"));
    return true;
}

bool ZipWriter::beginEntry(const QString &name, bool directory, qint64 size)
{
    if (!m_archive || m_failed)
        return fail(m_error.isEmpty() ? QStringLiteral("archive not open") : m_error);
    QString entryName = name;
    if (directory && !entryName.endsWith(QLatin1Char('/')))
        entryName += QLatin1Char('/');

    archive_entry *entry = archive_entry_new();
    const QByteArray utf8 = entryName.toUtf8();
    archive_entry_set_pathname_utf8(entry, utf8.constData());
    archive_entry_set_filetype(entry, directory ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry, directory ? 0755 : 0644);
    archive_entry_set_size(entry, directory ? 0 : size);
    archive_entry_set_mtime(entry, QDateTime::currentSecsSinceEpoch(), 0);
    const int rc = archive_write_header(m_archive, entry);
    archive_entry_free(entry);
    if (rc < ARCHIVE_WARN)
        return failFromArchive(QStringLiteral("cannot add %1").arg(entryName));
    return true;
}

// The library may take fewer bytes than offered; it is offered the rest
// until it has them all.
bool ZipWriter::writeData(const QString &name, const char *data, qint64 size)
{
    while (size > 0) {
        const la_ssize_t written = archive_write_data(m_archive, data, static_cast<size_t>(size));
        if (written <= 0)
            return failFromArchive(QStringLiteral("cannot write %1").arg(name));
        data += written;
        size -= written;
    }
    return true;
}

bool ZipWriter::addDirectory(const QString &name)
{
    return beginEntry(name, true, 0);
}

bool ZipWriter::addFile(const QString &name, const QByteArray &data)
{
    if (!beginEntry(name, false, data.size()))
        return false;
    return writeData(name, data.constData(), data.size());
}

bool ZipWriter::addFileFromDisk(const QString &name, const QString &path)
{
    if (!m_archive || m_failed)
        return fail(m_error.isEmpty() ? QStringLiteral("archive not open") : m_error);
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        // Nothing reached the archive yet, so it stays usable.
        m_error = QStringLiteral("%1: %2").arg(path, source.errorString());
        return false;
    }
    const qint64 size = source.size();
    if (!beginEntry(name, false, size))
        return false;
    QByteArray buffer;
    qint64 total = 0;
    while (total < size) {
        buffer = source.read(qMin(kChunkSize, size - total));
        if (buffer.isEmpty())
            break;
        if (!writeData(name, buffer.constData(), buffer.size()))
            return false;
        total += buffer.size();
    }
    if (total != size)
        return fail(QStringLiteral("%1: file changed while it was being read").arg(path));
    return true;
}

bool ZipWriter::addFolder(const QString &folder)
{
    const QDir root(folder);
    QDirIterator it(folder,
                    QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot
                        | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = root.relativeFilePath(info.filePath());
        if (info.isDir()) {
            if (!addDirectory(relative))
                return false;
        } else if (info.isFile()) {
            if (!addFileFromDisk(relative, info.filePath()))
                return false;
        }
    }
    return true;
}

bool ZipWriter::commit()
{
    if (!m_archive || m_failed)
        return fail(m_error.isEmpty() ? QStringLiteral("archive not open") : m_error);
    const int closed = archive_write_close(m_archive);
    if (closed != ARCHIVE_OK)
        return failFromArchive(QStringLiteral("cannot finish the archive"));
    archive_write_free(m_archive);
    m_archive = nullptr;
    if (!m_file->commit())
        return fail(m_file->errorString());
    return true;
}

bool ZipWriter::fail(const QString &message)
{
    if (!m_failed || m_error.isEmpty())
        m_error = message;
    m_failed = true;
    if (m_file)
        m_file->cancelWriting();
    return false;
}

bool ZipWriter::failFromArchive(const QString &context)
{
    const char *text = m_archive ? archive_error_string(m_archive) : nullptr;
    if (text && *text)
        return fail(QStringLiteral("%1: %2").arg(context, QString::fromLocal8Bit(text)));
    if (m_file && m_file->error() != QFileDevice::NoError)
        return fail(QStringLiteral("%1: %2").arg(context, m_file->errorString()));
    return fail(context);
}
