#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// Where a task was found in a note.
enum class TaskSource { Checklist = 0, MarkdownCheckbox = 1, TodoPrefix = 2 };

// One to-do gathered from a note body; extracted on demand, never stored.
struct NoteTask
{
    QString id;
    QString noteId;
    QString text; // trimmed, never empty
    bool completed = false;
    TaskSource source = TaskSource::Checklist;
    qint32 lineIndex = 0;  // 0-based line of the note
    qint32 charOffset = 0; // offset of the line's first character; an embed counts one
    QDate dueDate;         // not set by extraction
    QString dueDatePhrase; // not set by extraction
    QDateTime extractedAt; // UTC
    QDateTime noteUpdatedAt;
};
