#include "document/noteexport.h"

#include "storage/note.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextStream>

static QString extensionOf(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Markdown:
        return QStringLiteral(".md");
    case ExportFormat::Html:
        return QStringLiteral(".html");
    case ExportFormat::Pdf:
        return QStringLiteral(".pdf");
    case ExportFormat::PlainText:
        return QStringLiteral(".txt");
    }
    return QStringLiteral(".txt");
}

QString exportFileName(const Note &note, ExportFormat format)
{
    QString base = note.title();
    if (base.isEmpty())
        base = QStringLiteral("note-%1").arg(note.id.left(8));
    static const QRegularExpression unsafe(QStringLiteral("[<>:\"/\\\\|?*]"));
    base.remove(unsafe);
    base = base.trimmed();
    if (base.size() > 50)
        base = base.left(50).trimmed();
    if (base.isEmpty())
        base = QStringLiteral("note");
    return base + extensionOf(format);
}

static ExportResult writeFailure(const QString &reason)
{
    return {false,
            QString(),
            QCoreApplication::translate("NoteExport", "Failed to write file: %1").arg(reason)};
}

static ExportResult exportText(const QString &text, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return writeFailure(file.errorString());
    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::Utf8);
    stream << text;
    stream.flush();
    // A full disk shows only when the data reaches the file.
    bool written = stream.status() == QTextStream::Ok && file.flush();
    QString reason = file.errorString();
    file.close();
    if (written && file.error() != QFileDevice::NoError) {
        written = false;
        reason = file.errorString();
    }
    if (!written)
        return writeFailure(reason);
    return {true, path, QString()};
}

static ExportResult exportPdf(const QString &html, const QString &path)
{
    // The printer cannot say why it failed, so the file is opened first to
    // have the reason, and its result is checked afterwards.
    {
        QFile target(path);
        if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return writeFailure(target.errorString());
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
    if (printer.printerState() == QPrinter::Error || QFileInfo(path).size() == 0)
        return writeFailure(
            QCoreApplication::translate("NoteExport", "the PDF could not be written"));
    return {true, path, QString()};
}

ExportResult exportNote(const Note &note, const QString &path, ExportFormat format)
{
    const QString text = convertNoteBody(note.body, format);
    if (format == ExportFormat::Pdf)
        return exportPdf(text, path);
    return exportText(text, path);
}
