#include "interchange/nsximport.h"

#include "app/appstate.h"
#include "document/converters.h"
#include "interchange/importbatch.h"
#include "interchange/interchangelog.h"
#include "interchange/zipextractor.h"
#include "storage/attachment.h"
#include "storage/note.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>

namespace {

// Note Station's JSON files are small; the attachment files may be large
// but are bounded by the extraction limits.
constexpr qint64 kMaxJsonBytes = 64 * 1024 * 1024;

QString tr(const char *text)
{
    return QCoreApplication::translate("NsxImport", text);
}

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Ids from config.json name files in the archive; only plain names inside
// the staging folder are acceptable.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && !name.contains(QLatin1Char(':')) && !name.contains(QChar(0));
}

// A regular file of the staging folder; empty when missing or unreadable.
QByteArray readStaged(const QString &stage, const QString &name, qint64 maxBytes)
{
    if (!isPlainName(name))
        return QByteArray();
    const QFileInfo info(stage + QLatin1Char('/') + name);
    if (!info.isFile() || info.isSymLink() || info.size() > maxBytes)
        return QByteArray();
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QJsonObject parseObject(const QByteArray &bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

// Seconds since the epoch from a number or a string holding one; invalid
// when not given (0 or less, or unreadable).
QDateTime nsxTime(const QJsonValue &value)
{
    qint64 seconds = 0;
    if (value.isDouble()) {
        seconds = qint64(value.toDouble());
    } else if (value.isString()) {
        bool ok = false;
        seconds = value.toString().trimmed().toLongLong(&ok);
        if (!ok)
            seconds = qint64(value.toString().trimmed().toDouble());
    }
    if (seconds < 1)
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

QString escapeHtml(QString text)
{
    text.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return text;
}

} // namespace

ImportResult importNsx(const QString &path, AppState *appState, const ImportProgress &progress)
{
    auto report = [&](int current, int total, const QString &message) {
        if (progress)
            progress(current, total, message);
    };
    ImportResult result;
    auto fatal = [&](const QString &message) {
        result.errors = 1;
        result.error = message;
        return result;
    };

    report(0, 0, tr("Extracting archive..."));
    if (!appState || !appState->notes())
        return fatal(tr("No store is open"));
    const QString attachmentsDirectory = appState->attachmentsDirectory();
    const std::unique_ptr<QTemporaryDir> staging = ZipExtractor::makeStaging(attachmentsDirectory);
    if (!staging->isValid())
        return fatal(tr("Failed to create temp directory"));
    const QString stage = staging->path();

    ZipExtractor extractor;
    if (!extractor.extract(path, stage))
        return fatal(tr("Failed to extract archive: %1").arg(extractor.errorString()));
    for (const QString &skipped : extractor.skippedEntries())
        qCWarning(lcInterchange) << "importNsx: left out unsafe entry" << skipped;

    const QByteArray configBytes = readStaged(stage, QStringLiteral("config.json"), kMaxJsonBytes);
    const QJsonDocument configDocument = QJsonDocument::fromJson(configBytes);
    // A config that is not a JSON object cannot list anything to import.
    if (configBytes.isEmpty() || !configDocument.isObject())
        return fatal(tr("No config.json found in archive"));
    const QJsonObject config = configDocument.object();
    const QJsonArray notebookIds = config.value(QLatin1String("notebook")).toArray();
    const QJsonArray noteIds = config.value(QLatin1String("note")).toArray();

    ImportBatch batch(appState->database(),
                      appState->notebooks(),
                      appState->notes(),
                      appState->attachments());
    const QDateTime now = batch.now();

    QHash<QString, QString> notebookMap;
    for (const QJsonValue &value : notebookIds) {
        const QString stationId = value.toString();
        const QByteArray bytes = readStaged(stage, stationId, kMaxJsonBytes);
        if (bytes.isEmpty())
            continue;
        const QJsonObject object = parseObject(bytes);
        const QString name = object.value(QLatin1String("title")).toString();
        const QString id = batch.addNotebook(name.isEmpty() ? tr("Imported Notebook") : name,
                                             nsxTime(object.value(QLatin1String("ctime"))),
                                             nsxTime(object.value(QLatin1String("mtime"))));
        if (!id.isEmpty())
            notebookMap.insert(stationId, id);
    }

    const int total = int(noteIds.size());
    report(0, total, tr("Importing %1 notes...").arg(total));
    static const QRegularExpression md5Pattern(QStringLiteral("^[0-9a-fA-F]{32}$"));

    for (int i = 0; i < total; ++i) {
        const QByteArray bytes = readStaged(stage, noteIds.at(i).toString(), kMaxJsonBytes);
        if (bytes.isEmpty()) {
            ++result.errors;
            continue;
        }
        // A note file that is not a JSON object holds no note to import; it
        // counts as an error instead of becoming an empty note.
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        if (!document.isObject()) {
            ++result.errors;
            continue;
        }
        const QJsonObject object = document.object();
        const QString title = object.value(QLatin1String("title")).toString();
        report(i + 1, total, tr("Importing: %1").arg(title.isEmpty() ? tr("(untitled)") : title));

        Note note;
        note.id = newId();
        note.notebookId = notebookMap.value(object.value(QLatin1String("parent_id")).toString(),
                                            QStringLiteral(""));

        QString content = object.value(QLatin1String("content")).toString();
        QList<ImportedAttachment> prepared;
        QList<QPair<QString, QString>> refs;
        const QJsonObject attachments = object.value(QLatin1String("attachment")).toObject();
        for (auto it = attachments.constBegin(); it != attachments.constEnd(); ++it) {
            const QJsonObject entry = it.value().toObject();
            const QString md5 = entry.value(QLatin1String("md5")).toString();
            // The md5 names a file; anything but 32 hex digits could name a path.
            if (!md5Pattern.match(md5).hasMatch())
                continue;
            const QByteArray data = readStaged(stage,
                                               QStringLiteral("file_%1").arg(md5),
                                               std::numeric_limits<qint64>::max());
            if (data.isEmpty())
                continue;
            const QString ext = entry.value(QLatin1String("ext")).toString();
            ImportedAttachment attachment;
            attachment.record.id = newId();
            attachment.record.noteId = note.id;
            attachment.record.filename = entry.value(QLatin1String("name")).toString();
            if (attachment.record.filename.isEmpty())
                attachment.record.filename = QStringLiteral("attachment.%1").arg(ext);
            if (entry.value(QLatin1String("type")).toString() == QLatin1String("image"))
                attachment.record.mimeType = QStringLiteral("image/%1")
                                                 .arg(ext.isEmpty() ? QStringLiteral("png") : ext);
            else
                attachment.record.mimeType = QStringLiteral("application/octet-stream");
            attachment.record.sizeBytes = data.size();
            attachment.record.createdAt = now;
            attachment.record.syncStatus = SyncStatus::Pending;
            attachment.data = data;
            const QString ref = entry.value(QLatin1String("ref")).toString();
            if (!ref.isEmpty())
                refs.append({ref, attachment.record.id});
            prepared.append(attachment);
        }
        for (const auto &pair : refs)
            content.replace(QStringLiteral("ref=\"%1\"").arg(pair.first),
                            QStringLiteral("src=\"velmora-notes://attachment/%1\"").arg(pair.second));

        const QString html = title.isEmpty()
                                 ? content
                                 : QStringLiteral("<h1>%1</h1>\n%2").arg(escapeHtml(title), content);
        note.body = htmlToDeltaJson(html);
        batch.addNote(note,
                      nsxTime(object.value(QLatin1String("ctime"))),
                      nsxTime(object.value(QLatin1String("mtime"))),
                      prepared,
                      result);
    }

    batch.finish(result);
    return result;
}
