#pragma once

#include "document/notetask.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The tasks of one note body, in document order: check-list items, lines
// like "- [x] text" or "- [ ] text", and lines starting with "TODO:". Text
// after the last newline is not a finished line and is not examined.
QList<NoteTask> extractTasks(const QString &noteId,
                             const QString &deltaJson,
                             const QDateTime &noteUpdatedAt);

// "<note id>_<line index>_<first 8 hex digits of the MD5 of the text>".
QString makeTaskId(const QString &noteId, int lineIndex, const QString &text);
