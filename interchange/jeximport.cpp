#include "interchange/jeximport.h"

#include "app/appstate.h"
#include "document/converters.h"
#include "interchange/importbatch.h"
#include "interchange/interchangelog.h"
#include "interchange/orderedparallelrunner.h"
#include "interchange/tarreader.h"
#include "storage/attachment.h"
#include "storage/note.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("JexImport", text);
}

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

const QString kMetadataStart = QStringLiteral("\n\nid: ");

QString firstLine(const QString &text, QString *rest)
{
    const int newline = text.indexOf(QLatin1Char('\n'));
    if (rest)
        *rest = newline < 0 ? QString() : text.mid(newline + 1);
    return (newline < 0 ? text : text.left(newline)).trimmed();
}

// The note text without the metadata block and without a repeat of the
// title at its top (as a plain line and then as a heading).
QString noteBody(const QString &text, const QString &title)
{
    const int metadata = text.lastIndexOf(kMetadataStart);
    QString body = (metadata < 0 ? text : text.left(metadata)).trimmed();
    const QString wanted = title.trimmed();
    if (wanted.isEmpty())
        return body;
    QString rest;
    if (firstLine(body, &rest) == wanted)
        body = rest.trimmed();
    const QString line = firstLine(body, &rest);
    if (line.startsWith(QLatin1String("# "))) {
        const QString heading = line.mid(2).trimmed();
        if (heading == wanted || heading.startsWith(wanted + QLatin1Char(' ')))
            body = rest.trimmed();
    }
    return body;
}

// A note of the archive: its text, then the note and attachments made of it.
struct PendingNote
{
    JexItem item;
    QString body;
    Note note;
    QList<ImportedAttachment> attachments;
};

} // namespace

QDateTime parseJexTime(const QString &text)
{
    if (text.isEmpty())
        return QDateTime();
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        time = QDateTime::fromString(text, Qt::ISODate);
    if (time.isValid()) {
        if (time.timeSpec() == Qt::LocalTime)
            time.setTimeSpec(Qt::UTC);
        return time.toUTC();
    }
    bool ok = false;
    const qint64 msecs = text.toLongLong(&ok);
    if (ok && msecs >= 1)
        return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    return QDateTime();
}

JexItem parseJexItem(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    int position = text.lastIndexOf(kMetadataStart);
    if (position < 0)
        position = text.indexOf(QLatin1String("id: "));

    QString bodyPart = text;
    QString metadataPart;
    if (position >= 0) {
        bodyPart = text.left(position).trimmed();
        metadataPart = text.mid(position).trimmed();
    }

    // Blanks only after the colon: an empty value must not swallow the line
    // that follows it.
    static const QRegularExpression line(QStringLiteral("^(\\w+):[ \\t]*(.*)$"),
                                         QRegularExpression::MultilineOption);
    QHash<QString, QString> metadata;
    auto it = line.globalMatch(metadataPart);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        metadata.insert(match.captured(1), match.captured(2).trimmed());
    }

    JexItem item;
    item.id = metadata.value(QStringLiteral("id"));
    if (metadata.contains(QStringLiteral("title"))) {
        item.title = metadata.value(QStringLiteral("title"));
    } else {
        const QStringList lines = bodyPart.split(QLatin1Char('\n'));
        for (const QString &candidate : lines) {
            if (!candidate.trimmed().isEmpty()) {
                item.title = candidate.trimmed();
                break;
            }
        }
    }
    item.parentId = metadata.value(QStringLiteral("parent_id"));
    item.type = metadata.value(QStringLiteral("type_")).toInt();
    if (metadata.contains(QStringLiteral("markup_language")))
        item.markupLanguage = metadata.value(QStringLiteral("markup_language")).toInt();
    item.createdTime = parseJexTime(metadata.value(QStringLiteral("created_time")));
    item.updatedTime = parseJexTime(metadata.value(QStringLiteral("updated_time")));
    item.mime = metadata.value(QStringLiteral("mime"));
    item.fileExtension = metadata.value(QStringLiteral("file_extension"));
    return item;
}

QByteArray findResourceData(const QMap<QString, QByteArray> &blobs,
                            const QString &resourceId,
                            const QString &fileExtension)
{
    if (resourceId.isEmpty())
        return QByteArray();
    const QString withExtension = QStringLiteral("resources/%1.%2").arg(resourceId, fileExtension);
    if (blobs.contains(withExtension))
        return blobs.value(withExtension);
    const QString inFolder = QStringLiteral("resources/%1").arg(resourceId);
    if (blobs.contains(inFolder))
        return blobs.value(inFolder);
    if (blobs.contains(resourceId))
        return blobs.value(resourceId);
    for (auto it = blobs.cbegin(); it != blobs.cend(); ++it) {
        if (it.key().contains(resourceId))
            return it.value();
    }
    return QByteArray();
}

ImportResult importJex(const QString &path, AppState *appState, const ImportProgress &progress)
{
    auto report = [&](int current, int total, const QString &message) {
        if (progress)
            progress(current, total, message);
    };
    ImportResult result;
    report(0, 0, tr("Reading archive..."));

    QString readError;
    QList<TarEntry> entries = readTarEntries(path, &readError);
    if (!readError.isEmpty())
        qCWarning(lcInterchange) << "importJex: archive damaged, reading stopped:" << readError;
    if (entries.isEmpty() || !appState || !appState->notes()) {
        result.errors = 1;
        result.error = tr("Failed to read archive or archive is empty");
        return result;
    }

    QList<PendingNote> notes;
    QMap<QString, JexItem> folders;
    QHash<QString, JexItem> resources;
    QMap<QString, QByteArray> blobs;
    for (TarEntry &entry : entries) {
        if (!entry.name.endsWith(QLatin1String(".md"))) {
            blobs.insert(entry.name, std::move(entry.data));
            continue;
        }
        const JexItem item = parseJexItem(entry.data);
        switch (item.type) {
        case 1:
            notes.append({item, noteBody(QString::fromUtf8(entry.data), item.title), {}, {}});
            break;
        case 2:
            folders.insert(item.id, item);
            break;
        case 4:
            resources.insert(item.id, item);
            break;
        default:
            break;
        }
        entry.data.clear();
    }
    entries.clear();

    ImportBatch batch(appState->database(),
                      appState->notebooks(),
                      appState->notes(),
                      appState->attachments());
    const QDateTime now = batch.now();

    QHash<QString, QString> notebookIds;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
        const JexItem &folder = it.value();
        const QString id = batch.addNotebook(folder.title.isEmpty() ? tr("Imported Folder")
                                                                    : folder.title,
                                             folder.createdTime,
                                             folder.updatedTime);
        if (!id.isEmpty())
            notebookIds.insert(folder.id, id);
    }

    const int total = int(notes.size());
    report(0, total, tr("Importing %1 notes...").arg(total));

    // Converting the text is most of an import's time, so the notes are
    // prepared on helper threads (reading only the maps above) while this
    // thread stores the prepared ones in order and reports progress.
    PendingNote *pendingNotes = notes.data();
    auto prepare = [&](int i) {
        // Each thread its own compiled pattern.
        thread_local const QRegularExpression resourceLink(QStringLiteral(":/([a-f0-9]{32})"));
        PendingNote &pending = pendingNotes[i];
        const JexItem &item = pending.item;
        QString body = std::move(pending.body);

        Note note;
        note.id = newId();
        note.notebookId = notebookIds.value(item.parentId, QStringLiteral(""));

        QList<ImportedAttachment> prepared;
        QSet<QString> seen;
        auto links = resourceLink.globalMatch(body);
        while (links.hasNext()) {
            const QString resourceId = links.next().captured(1);
            if (seen.contains(resourceId))
                continue;
            seen.insert(resourceId);
            const auto resource = resources.constFind(resourceId);
            if (resource == resources.cend())
                continue;
            const QByteArray data = findResourceData(blobs, resourceId, resource->fileExtension);
            if (data.isEmpty())
                continue;
            ImportedAttachment attachment;
            attachment.record.id = newId();
            attachment.record.noteId = note.id;
            attachment.record.filename = resource->title.isEmpty()
                                             ? QStringLiteral("%1.%2").arg(resourceId,
                                                                           resource->fileExtension)
                                             : resource->title;
            attachment.record.mimeType = resource->mime.isEmpty()
                                             ? QStringLiteral("application/octet-stream")
                                             : resource->mime;
            attachment.record.sizeBytes = data.size();
            attachment.record.createdAt = resource->createdTime.isValid() ? resource->createdTime
                                                                          : now;
            attachment.record.syncStatus = SyncStatus::Pending;
            attachment.data = data;
            body.replace(QStringLiteral(":/") + resourceId,
                         QStringLiteral("velmora-notes://attachment/") + attachment.record.id);
            prepared.append(attachment);
        }

        const QString text = item.title.isEmpty()
                                 ? body
                                 : QStringLiteral("# %1\n\n%2").arg(item.title, body);
        note.body = item.markupLanguage == 2 ? htmlToDeltaJson(text) : markdownToDeltaJson(text);
        pending.note = note;
        pending.attachments = prepared;
    };
    auto store = [&](int i) {
        PendingNote &pending = pendingNotes[i];
        const JexItem &item = pending.item;
        report(i + 1,
               total,
               tr("Importing: %1").arg(item.title.isEmpty() ? tr("(untitled)") : item.title));
        batch.addNote(pending.note, item.createdTime, item.updatedTime, pending.attachments, result);
        // Stored: the converted text need not wait for the rest of the import.
        pending.attachments.clear();
        pending.note.body.clear();
    };
    OrderedParallelRunner().run(total, prepare, store);

    batch.finish(result);
    return result;
}
