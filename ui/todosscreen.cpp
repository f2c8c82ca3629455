#include "ui/todosscreen.h"

#include "app/appstate.h"
#include "document/taskextraction.h"
#include "storage/noterepository.h"
#include "ui/noteflows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

struct TaskRow
{
    NoteTask task;
    QString noteTitle;
};

} // namespace

TodosScreen::TodosScreen(AppState *state, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Sort:"), this));
    m_sort = new QComboBox(this);
    m_sort->addItem(tr("Note Updated"), QStringLiteral("updated"));
    m_sort->addItem(tr("Alphabetical"), QStringLiteral("alpha"));
    top->addWidget(m_sort);
    m_showCompleted = new QCheckBox(tr("Show Completed"), this);
    top->addWidget(m_showCompleted);
    top->addStretch(1);
    m_filter = new QLineEdit(this);
    m_filter->setPlaceholderText(tr("Filter tasks..."));
    m_filter->setClearButtonEnabled(true);
    m_filter->setMaximumWidth(200);
    top->addWidget(m_filter);
    layout->addLayout(top);

    m_list = new QListWidget(this);
    m_list->setWordWrap(true);
    layout->addWidget(m_list, 1);

    connect(m_sort, &QComboBox::currentIndexChanged, this, &TodosScreen::refresh);
    connect(m_showCompleted, &QCheckBox::toggled, this, &TodosScreen::refresh);
    connect(m_filter, &QLineEdit::textChanged, this, &TodosScreen::refresh);
    connect(m_list, &QListWidget::itemChanged, this, &TodosScreen::onItemChanged);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TodosScreen::onItemDoubleClicked);
    if (m_state) {
        connect(m_state, &AppState::notesChanged, this, [this] {
            if (isVisible())
                scheduleRefresh();
        });
    }
}

void TodosScreen::scheduleRefresh()
{
    // A store change can come from ticking an item of this very list; the
    // list is rebuilt from the event loop so that the item is not deleted
    // while its own change signal is still being delivered.
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_refreshPending)
            refresh();
    });
}

void TodosScreen::refresh()
{
    m_refreshPending = false;
    m_updating = true;
    const bool wasBlocked = m_list->blockSignals(true);
    m_list->clear();

    QList<TaskRow> rows;
    const bool showCompleted = m_showCompleted->isChecked();
    const QString filter = m_filter->text().trimmed().toLower();
    const QList<Note> notes = m_state && m_state->notes() ? m_state->notes()->listAll()
                                                          : QList<Note>();
    for (const Note &note : notes) {
        const QList<NoteTask> tasks = extractTasks(note.id, note.body, note.updatedAt);
        if (tasks.isEmpty())
            continue;
        // A note switched off in its header bar contributes nothing.
        if (!m_state->notes()->includeInTodos(note.id))
            continue;
        const QString title = note.title();
        for (const NoteTask &task : tasks) {
            if (!showCompleted && task.completed)
                continue;
            if (!filter.isEmpty() && !task.text.toLower().contains(filter))
                continue;
            rows.append({task, title});
        }
    }

    if (m_sort->currentData().toString() == QLatin1String("alpha")) {
        std::sort(rows.begin(), rows.end(), [](const TaskRow &a, const TaskRow &b) {
            return a.task.text.compare(b.task.text, Qt::CaseInsensitive) < 0;
        });
    } else {
        std::sort(rows.begin(), rows.end(), [](const TaskRow &a, const TaskRow &b) {
            return a.task.noteUpdatedAt > b.task.noteUpdatedAt;
        });
    }

    for (const TaskRow &row : rows) {
        QString text = row.task.text;
        if (!row.noteTitle.isEmpty())
            text += QStringLiteral("  — ") + row.noteTitle;
        auto *item = new QListWidgetItem(text, m_list);
        item->setData(NoteIdRole, row.task.noteId);
        item->setData(LineIndexRole, row.task.lineIndex);
        item->setData(SourceRole, int(row.task.source));
        item->setData(CompletedRole, row.task.completed);
        Qt::ItemFlags flags = item->flags();
        if (row.task.source == TaskSource::Checklist)
            flags |= Qt::ItemIsUserCheckable;
        else
            flags &= ~Qt::ItemIsUserCheckable;
        item->setFlags(flags);
        item->setCheckState(row.task.completed ? Qt::Checked : Qt::Unchecked);
        if (row.task.completed) {
            QFont font = item->font();
            font.setStrikeOut(true);
            item->setFont(font);
            item->setForeground(QColor(QStringLiteral("#9E9E9E")));
        }
    }

    m_list->blockSignals(wasBlocked);
    m_updating = false;
}

void TodosScreen::present()
{
    refresh();
    setWindowTitle(tr("To-Dos — Velmora Notes"));
    if (!isVisible())
        resize(600, 500);
    show();
    raise();
    activateWindow();
}

void TodosScreen::onItemChanged(QListWidgetItem *item)
{
    if (m_updating || !item)
        return;
    const bool completed = item->data(CompletedRole).toBool();
    const bool checked = item->checkState() == Qt::Checked;
    if (item->data(SourceRole).toInt() != int(TaskSource::Checklist)) {
        // Only check-list items can be ticked here; the mark springs back.
        const bool wasBlocked = m_list->blockSignals(true);
        item->setCheckState(completed ? Qt::Checked : Qt::Unchecked);
        m_list->blockSignals(wasBlocked);
        return;
    }
    if (checked == completed || !m_state || !m_state->notes())
        return;

    const QString noteId = item->data(NoteIdRole).toString();
    std::optional<Note> note = m_state->notes()->get(noteId);
    if (!note)
        return;
    const QString body = setChecklistItemState(note->body,
                                               item->data(LineIndexRole).toInt(),
                                               checked);
    if (body.isEmpty() || body == note->body)
        return;
    if (!writeNoteBody(m_state->notes(), *note, body))
        return;
    item->setData(CompletedRole, checked);
    emit m_state->noteUpdatedExternally(noteId, this);
}

void TodosScreen::onItemDoubleClicked(QListWidgetItem *item)
{
    if (item && m_state)
        m_state->openNoteWindow(item->data(NoteIdRole).toString());
}

QString TodosScreen::setChecklistItemState(const QString &deltaJson, int lineIndex, bool checked)
{
    if (lineIndex < 0)
        return QString();
    const QJsonDocument document = QJsonDocument::fromJson(deltaJson.toUtf8());
    if (!document.isArray())
        return QString();
    QJsonArray ops = document.array();

    int line = 0;
    for (int i = 0; i < ops.size(); ++i) {
        const QJsonObject op = ops.at(i).toObject();
        const QJsonValue insert = op.value(QStringLiteral("insert"));
        if (!insert.isString())
            continue;
        const QString text = insert.toString();
        const int before = line;
        const int newlines = int(text.count(QLatin1Char('\n')));
        line += newlines;
        if (lineIndex >= line)
            continue;

        // This op holds the newline that ends the requested line.
        int position = -1;
        for (int n = before; n <= lineIndex; ++n)
            position = text.indexOf(QLatin1Char('\n'), position + 1);

        QJsonObject attributes = op.value(QStringLiteral("attributes")).toObject();
        const QString list = attributes.value(QStringLiteral("list")).toString();
        // A line that is no longer a check-list item (the note changed since
        // the list was built) is left alone.
        if (list != QLatin1String("checked") && list != QLatin1String("unchecked"))
            return QString();
        attributes.insert(QStringLiteral("list"),
                          checked ? QStringLiteral("checked") : QStringLiteral("unchecked"));

        // Only that newline takes the new state: when the op holds more text
        // (other lines), it is split so their attributes stay as they were.
        QJsonArray replacement;
        const auto piece = [&op](const QString &part, const QJsonObject &attrs) {
            QJsonObject out = op;
            out.insert(QStringLiteral("insert"), part);
            if (attrs.isEmpty())
                out.remove(QStringLiteral("attributes"));
            else
                out.insert(QStringLiteral("attributes"), attrs);
            return out;
        };
        const QJsonObject original = op.value(QStringLiteral("attributes")).toObject();
        if (position > 0)
            replacement.append(piece(text.left(position), original));
        replacement.append(piece(QStringLiteral("\n"), attributes));
        if (position + 1 < text.size())
            replacement.append(piece(text.mid(position + 1), original));

        ops.removeAt(i);
        for (int k = 0; k < replacement.size(); ++k)
            ops.insert(i + k, replacement.at(k));
        return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
    }
    return QString();
}
