#include "ui/versionhistorydialog.h"

#include "app/appstate.h"
#include "editor/noteeditor.h"
#include "storage/noterepository.h"
#include "storage/snapshotrepository.h"
#include "ui/noteflows.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

VersionHistoryDialog::VersionHistoryDialog(AppState *state, const QString &noteId, QWidget *parent)
    : QDialog(parent)
    , m_state(state)
    , m_noteId(noteId)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Version History"));
    resize(800, 500);

    auto *splitter = new QSplitter(Qt::Horizontal, this);

    auto *left = new QWidget(splitter);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    m_list = new QListWidget(left);
    // The hint of an empty history is longer than the pane is wide.
    m_list->setWordWrap(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    leftLayout->addWidget(m_list, 1);
    auto *buttons = new QHBoxLayout;
    m_save = new QPushButton(tr("Save Snapshot Now"), left);
    m_restore = new QPushButton(tr("Restore Selected"), left);
    m_restore->setEnabled(false);
    buttons->addWidget(m_save);
    buttons->addWidget(m_restore);
    leftLayout->addLayout(buttons);

    m_preview = new NoteEditor(splitter);
    if (m_state)
        m_preview->setAttachmentRepository(m_state->attachments());
    m_preview->setReadOnly(true);
    clearPreview();

    splitter->addWidget(left);
    splitter->addWidget(m_preview);
    splitter->setSizes({250, 550});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    connect(m_list,
            &QListWidget::currentRowChanged,
            this,
            &VersionHistoryDialog::onCurrentRowChanged);
    connect(m_save, &QPushButton::clicked, this, [this] {
        saveSnapshot();
        reload();
    });
    connect(m_restore, &QPushButton::clicked, this, &VersionHistoryDialog::restoreSelected);

    reload();
}

void VersionHistoryDialog::reload()
{
    m_list->clear();
    const QList<Snapshot> snapshots = m_state && m_state->snapshots()
                                          ? m_state->snapshots()->listForNote(m_noteId)
                                          : QList<Snapshot>();
    if (snapshots.isEmpty()) {
        auto *item = new QListWidgetItem(tr("No snapshots yet. Press Ctrl+S to save one."), m_list);
        // A hint, not a version: it cannot be chosen for restoring.
        item->setFlags(Qt::NoItemFlags);
        return;
    }
    for (const Snapshot &snapshot : snapshots) {
        const QString when = snapshot.createdAt.toLocalTime().toString(
            QStringLiteral("MMM d, yyyy h:mm AP"));
        auto *item = new QListWidgetItem(tr("v%1 — %2").arg(snapshot.version).arg(when), m_list);
        item->setData(Qt::UserRole, snapshot.id);
    }
}

void VersionHistoryDialog::onCurrentRowChanged(int row)
{
    m_restore->setEnabled(row >= 0);
    const QListWidgetItem *item = row >= 0 ? m_list->item(row) : nullptr;
    const QString snapshotId = item ? item->data(Qt::UserRole).toString() : QString();
    std::optional<Snapshot> snapshot;
    if (!snapshotId.isEmpty() && m_state && m_state->snapshots())
        snapshot = m_state->snapshots()->get(snapshotId);
    if (snapshot) {
        m_preview->loadNote(QStringLiteral("preview"), snapshot->body, false);
        m_preview->setReadOnly(true);
    } else {
        clearPreview();
    }
}

void VersionHistoryDialog::clearPreview()
{
    m_preview->clearNote();
    // The editor's own hint speaks of creating notes, which the preview cannot.
    m_preview->setPlaceholderText(QString());
}

bool VersionHistoryDialog::saveSnapshot()
{
    if (!m_state || !m_state->notes() || !m_state->snapshots())
        return false;
    const std::optional<Note> note = m_state->notes()->get(m_noteId);
    return note && snapshotNoteBody(m_state->notes(), m_state->snapshots(), m_noteId, note->body);
}

void VersionHistoryDialog::restoreSelected()
{
    const QListWidgetItem *item = m_list->currentItem();
    const QString snapshotId = item ? item->data(Qt::UserRole).toString() : QString();
    if (snapshotId.isEmpty() || !m_state || !m_state->snapshots() || !m_state->notes())
        return;
    const std::optional<Snapshot> snapshot = m_state->snapshots()->get(snapshotId);
    if (!snapshot)
        return;
    const auto answer = QMessageBox::question(
        this,
        tr("Restore Snapshot"),
        tr("Replace current content with this snapshot? A snapshot of the current content will "
           "be saved first."),
        QMessageBox::Yes | QMessageBox::No,
        QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;

    std::optional<Note> note = m_state->notes()->get(m_noteId);
    if (!note)
        return;
    // The current text is kept first; without that copy the restore would
    // throw it away, so it does not go ahead.
    if (!saveSnapshot())
        return;
    if (!writeNoteBody(m_state->notes(), *note, snapshot->body))
        return;
    emit m_state->noteUpdatedExternally(m_noteId, this);
    reload();
    QMessageBox::information(this, tr("Restored"), tr("Snapshot restored successfully."));
}
