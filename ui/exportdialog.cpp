#include "ui/exportdialog.h"

#include "document/attachmenturl.h"
#include "interchange/zipwriter.h"
#include "storage/attachmentrepository.h"
#include "storage/note.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// A plain file name for an archive entry: no folders, no characters that
// file systems refuse, never empty, never a name taken before.
QString bundleEntryName(const QString &filename, const QString &fallback, QSet<QString> &used)
{
    static const QRegularExpression unsafe(QStringLiteral("[<>:\"/\\\\|?*\\x00-\\x1f]"));
    QString name = QFileInfo(QString(filename).replace('\\', '/')).fileName();
    name.remove(unsafe);
    name = name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = fallback;

    QString candidate = name;
    const QFileInfo info(name);
    const QString base = info.completeBaseName().isEmpty() ? name : info.completeBaseName();
    const QString suffix = info.completeBaseName().isEmpty() || info.suffix().isEmpty()
                               ? QString()
                               : QStringLiteral(".") + info.suffix();
    for (int n = 2; used.contains(candidate.toLower()); ++n)
        candidate = QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix);
    used.insert(candidate.toLower());
    return candidate;
}

// The body with every attachment object replaced by a link to the file of
// the same attachment next to the exported file.
QString bodyWithRelativeLinks(const QString &body, const QHash<QString, QString> &entryById)
{
    const QJsonDocument document = QJsonDocument::fromJson(body.toUtf8());
    if (!document.isArray())
        return body;
    QJsonArray ops = document.array();
    for (int i = 0; i < ops.size(); ++i) {
        const QJsonObject op = ops.at(i).toObject();
        const QJsonObject embed = op.value(QStringLiteral("insert")).toObject();
        if (embed.isEmpty())
            continue;
        QString url = embed.value(QStringLiteral("velmora-notes-attachment")).toString();
        if (url.isEmpty())
            url = embed.value(QStringLiteral("image")).toString();
        if (url.isEmpty() || (!isAttachmentUrl(url) && !embed.contains("velmora-notes-attachment")))
            continue;
        const QString entry = entryById.value(attachmentIdFromUrl(url));
        if (entry.isEmpty())
            continue;
        QJsonObject attributes;
        attributes.insert(QStringLiteral("link"), QString::fromUtf8(QUrl::toPercentEncoding(entry)));
        QJsonObject link;
        link.insert(QStringLiteral("insert"), entry);
        link.insert(QStringLiteral("attributes"), attributes);
        ops.replace(i, link);
    }
    return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
}

} // namespace

ExportDialog::ExportDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Export Note"));
    setMinimumWidth(300);

    auto *group = new QGroupBox(tr("Format"), this);
    m_markdown = new QRadioButton(tr("Markdown (.md)"), group);
    m_html = new QRadioButton(tr("HTML (.html)"), group);
    m_pdf = new QRadioButton(tr("PDF (.pdf)"), group);
    m_markdown->setChecked(true);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_markdown);
    groupLayout->addWidget(m_html);
    groupLayout->addWidget(m_pdf);

    m_attachments = new QCheckBox(tr("Include attachments (ZIP bundle)"), this);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(m_attachments);
    layout->addWidget(buttons);
}

int ExportDialog::format() const
{
    if (m_html->isChecked())
        return int(ExportFormat::Html);
    if (m_pdf->isChecked())
        return int(ExportFormat::Pdf);
    return int(ExportFormat::Markdown);
}

bool ExportDialog::includeAttachments() const
{
    return m_attachments->isChecked();
}

QString ExportDialog::suggestedFileName(const Note &note, ExportFormat format, bool bundle)
{
    const QString name = exportFileName(note, format);
    if (!bundle)
        return name;
    return QFileInfo(name).completeBaseName() + QStringLiteral(".zip");
}

QString ExportDialog::fileFilter(ExportFormat format, bool bundle)
{
    if (bundle)
        return tr("ZIP Archive (*.zip)");
    switch (format) {
    case ExportFormat::Markdown:
        return tr("Markdown (*.md)");
    case ExportFormat::Html:
        return tr("HTML (*.html)");
    case ExportFormat::Pdf:
        return tr("PDF (*.pdf)");
    case ExportFormat::PlainText:
        break;
    }
    return tr("Text (*.txt)");
}

ExportResult ExportDialog::exportTo(const Note &note,
                                    const QString &path,
                                    ExportFormat format,
                                    bool bundle,
                                    AttachmentRepository *attachments)
{
    if (!bundle)
        return exportNote(note, path, format);

    ExportResult result;
    QTemporaryDir work;
    if (!work.isValid()) {
        result.error = tr("Failed to write file: %1").arg(work.errorString());
        return result;
    }

    // Attachment files first, so the note text can point at their names.
    const QString noteFileName = exportFileName(note, format);
    QSet<QString> used{noteFileName.toLower()};
    QHash<QString, QString> entryById;
    QList<QPair<QString, QString>> files; // entry name, path on disk
    if (attachments) {
        for (const Attachment &attachment : attachments->listForNote(note.id)) {
            const QString source = attachments->filePath(attachment.id);
            if (source.isEmpty() || !QFileInfo(source).isFile())
                continue;
            const QString entry = bundleEntryName(attachment.filename, attachment.id, used);
            entryById.insert(attachment.id, entry);
            files.append({entry, source});
        }
    }

    Note linked = note;
    linked.body = bodyWithRelativeLinks(note.body, entryById);
    const ExportResult inner = exportNote(linked, work.filePath(noteFileName), format);
    if (!inner.ok)
        return inner;

    ZipWriter zip;
    bool ok = zip.open(path) && zip.addFileFromDisk(noteFileName, inner.path);
    for (int i = 0; ok && i < files.size(); ++i)
        ok = zip.addFileFromDisk(files.at(i).first, files.at(i).second);
    ok = ok && zip.commit();
    if (!ok) {
        result.error = tr("Failed to write file: %1").arg(zip.errorString());
        return result;
    }
    result.ok = true;
    result.path = path;
    return result;
}
