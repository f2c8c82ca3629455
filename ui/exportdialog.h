#pragma once

#include "document/noteexport.h"

#include <QDialog>

class AttachmentRepository;
class QCheckBox;
class QRadioButton;
struct Note;

// Asks for the export format and whether the note's attachments go along
// in a ZIP bundle.
class ExportDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ExportDialog(QWidget *parent = nullptr);

    // 0 Markdown, 1 HTML, 2 PDF.
    int format() const;
    ExportFormat exportFormat() const { return ExportFormat(format()); }
    bool includeAttachments() const;

    // File name and save-dialog filter for the choice: a bundle is a .zip
    // named after the note.
    static QString suggestedFileName(const Note &note, ExportFormat format, bool bundle);
    static QString fileFilter(ExportFormat format, bool bundle);

    // Exports the note, as a plain file or, with bundle, as a ZIP holding the
    // exported file and the note's attachment files, which the Markdown or
    // HTML refers to by relative path.
    static ExportResult exportTo(const Note &note,
                                 const QString &path,
                                 ExportFormat format,
                                 bool bundle,
                                 AttachmentRepository *attachments);

private:
    QRadioButton *m_markdown;
    QRadioButton *m_html;
    QRadioButton *m_pdf;
    QCheckBox *m_attachments;
};
