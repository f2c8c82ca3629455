#include "document/taskextraction.h"

#include "document/deltaop.h"

#include <QCryptographicHash>
#include <QRegularExpression>

QString makeTaskId(const QString &noteId, int lineIndex, const QString &text)
{
    const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5)
                                  .toHex();
    return QStringLiteral("%1_%2_%3")
        .arg(noteId)
        .arg(lineIndex)
        .arg(QString::fromLatin1(digest.left(8)));
}

struct TaskPatterns
{
    QRegularExpression done{QStringLiteral("^-\\s*\\[x\\]\\s*(.+)"),
                            QRegularExpression::CaseInsensitiveOption};
    QRegularExpression open{QStringLiteral("^-\\s*\\[\\s*\\]\\s*(.+)")};
    QRegularExpression todo{QStringLiteral("^TODO:\\s*(.+)"),
                            QRegularExpression::CaseInsensitiveOption};
};

// Compiled once for the life of the program.
static const TaskPatterns &taskPatterns()
{
    static const TaskPatterns patterns;
    return patterns;
}

// The task a finished line gives, if any (its text is left empty if none).
static NoteTask taskOfLine(const QString &line, const QString &listKind)
{
    NoteTask task;
    const QString trimmed = line.trimmed();
    if (listKind == QLatin1String("checked") || listKind == QLatin1String("unchecked")) {
        task.source = TaskSource::Checklist;
        task.text = trimmed;
        task.completed = listKind == QLatin1String("checked");
        return task;
    }
    const TaskPatterns &patterns = taskPatterns();
    const QRegularExpressionMatch done = patterns.done.match(trimmed);
    const QRegularExpressionMatch open = done.hasMatch() ? QRegularExpressionMatch()
                                                         : patterns.open.match(trimmed);
    if (done.hasMatch() || open.hasMatch()) {
        task.source = TaskSource::MarkdownCheckbox;
        task.completed = done.hasMatch();
        task.text = (done.hasMatch() ? done : open).captured(1).trimmed();
        return task;
    }
    const QRegularExpressionMatch todo = patterns.todo.match(trimmed);
    if (todo.hasMatch()) {
        task.source = TaskSource::TodoPrefix;
        task.text = todo.captured(1).trimmed();
    }
    return task;
}

QList<NoteTask> extractTasks(const QString &noteId,
                             const QString &deltaJson,
                             const QDateTime &noteUpdatedAt)
{
    QList<NoteTask> tasks;
    const QList<DeltaOp> ops = parseDeltaOps(deltaJson);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString line;
    int lineIndex = 0;
    int offset = 0;
    // Where the line began: embeds of the line count, though they are not
    // part of the line's text.
    int lineStart = 0;
    for (const DeltaOp &op : ops) {
        if (op.type == DeltaOp::InsertEmbed) {
            ++offset;
            continue;
        }
        if (op.type != DeltaOp::InsertText)
            continue;
        for (const QChar ch : op.text) {
            if (ch != QLatin1Char('\n')) {
                line.append(ch);
                ++offset;
                continue;
            }
            const QString listKind = op.attributes.value(QLatin1String("list")).toString();
            NoteTask task = taskOfLine(line, listKind);
            if (!task.text.isEmpty()) {
                task.noteId = noteId;
                task.lineIndex = lineIndex;
                task.charOffset = lineStart;
                task.extractedAt = now;
                task.noteUpdatedAt = noteUpdatedAt;
                task.id = makeTaskId(noteId, lineIndex, task.text);
                tasks.append(task);
            }
            line.clear();
            ++lineIndex;
            ++offset;
            lineStart = offset;
        }
    }
    return tasks;
}
