#pragma once

#include "document/converters.h"

#include <QString>

struct Note;

// Outcome of exporting one note: the path written, or the message to show.
struct ExportResult
{
    bool ok = false;
    QString path;
    QString error;
};

// A safe file name for the note in the format, with its extension.
QString exportFileName(const Note &note, ExportFormat format);
// Writes the note to path in the format; Pdf prints A4 pages at high
// resolution. A file that cannot be opened or written is reported, never
// passed off as exported.
ExportResult exportNote(const Note &note, const QString &path, ExportFormat format);
