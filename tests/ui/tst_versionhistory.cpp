#include "uitestsupport.h"

#include "editor/noteeditor.h"
#include "storage/snapshotrepository.h"
#include "ui/versionhistorydialog.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// Answers every message box: the question with `answer`, anything else OK.
class BoxAnswers
{
public:
    explicit BoxAnswers(QMessageBox::StandardButton answer)
        : m_answerer([this, answer](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box)
                return;
            titles << box->windowTitle();
            texts << box->text();
            if (QAbstractButton *button = box->button(answer))
                button->click();
            else
                box->button(QMessageBox::Ok)->click();
        })
    {}
    QStringList titles;
    QStringList texts;

private:
    ModalAnswerer m_answerer;
};

QString bodyOf(const QString &text)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray{textOp(text + "\n")}).toJson(QJsonDocument::Compact));
}

} // namespace

class TestVersionHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emptyHistoryShowsHint();
    void saveSnapshotNowListsVersion();
    void previewShowsSelectedSnapshot();
    void restoreKeepsReplacedTextAsSnapshot();
    void restoreDeclinedChangesNothing();

private:
    std::unique_ptr<UiTestStore> m_store;
};

void TestVersionHistory::init()
{
    m_store = std::make_unique<UiTestStore>();
    QVERIFY(m_store->open());
}

void TestVersionHistory::cleanup()
{
    m_store.reset();
}

void TestVersionHistory::emptyHistoryShowsHint()
{
    const Note note = m_store->addPlainNote("Draft");
    QPointer<VersionHistoryDialog> dialog = new VersionHistoryDialog(m_store->state.get(), note.id);
    QCOMPARE(dialog->windowTitle(), QString("Version History"));
    QCOMPARE(dialog->size(), QSize(800, 500));
    QCOMPARE(dialog->snapshotList()->count(), 1);
    QCOMPARE(dialog->snapshotList()->item(0)->text(),
             QString("No snapshots yet. Press Ctrl+S to save one."));
    QVERIFY(!dialog->restoreButton()->isEnabled());
    QVERIFY(dialog->preview()->isReadOnly());
    // The hint wraps inside the pane, and the empty preview does not offer
    // the editor's "press Ctrl+N" hint.
    QVERIFY(dialog->snapshotList()->wordWrap());
    QCOMPARE(dialog->preview()->placeholderText(), QString());
    dialog->close();
    QTRY_VERIFY(dialog.isNull()); // deleted when closed
}

void TestVersionHistory::saveSnapshotNowListsVersion()
{
    Note note = m_store->addPlainNote("Draft");
    note.version = 7;
    QVERIFY(m_store->state->notes()->update(note));

    VersionHistoryDialog dialog(m_store->state.get(), note.id);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.saveButton()->click();
    QCOMPARE(dialog.snapshotList()->count(), 1);
    const QString text = dialog.snapshotList()->item(0)->text();
    QVERIFY2(text.startsWith("v7 — "), qPrintable(text));
    const QString when = QDateTime::currentDateTime().toString("MMM d, yyyy");
    QVERIFY2(text.contains(when), qPrintable(text));
    QVERIFY(text.endsWith("AM") || text.endsWith("PM"));

    const QList<Snapshot> snapshots = m_store->state->snapshots()->listForNote(note.id);
    QCOMPARE(snapshots.size(), 1);
    QCOMPARE(snapshots.first().body, note.body);
    QCOMPARE(dialog.snapshotList()->item(0)->data(Qt::UserRole).toString(), snapshots.first().id);
}

void TestVersionHistory::previewShowsSelectedSnapshot()
{
    Note note = m_store->addPlainNote("First words");
    VersionHistoryDialog dialog(m_store->state.get(), note.id);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.saveButton()->click();

    dialog.snapshotList()->setCurrentRow(0);
    QVERIFY(dialog.restoreButton()->isEnabled());
    QCOMPARE(dialog.preview()->currentNoteId(), QString("preview"));
    QVERIFY(dialog.preview()->isReadOnly());
    QCOMPARE(dialog.preview()->toPlainText(), QString("First words"));
}

void TestVersionHistory::restoreKeepsReplacedTextAsSnapshot()
{
    Note note = m_store->addPlainNote("Original");
    VersionHistoryDialog dialog(m_store->state.get(), note.id);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.saveButton()->click(); // v1: Original

    note = *m_store->state->notes()->get(note.id);
    note.body = bodyOf("Rewritten");
    note.version = 2;
    QVERIFY(m_store->state->notes()->update(note));

    dialog.reload();
    dialog.snapshotList()->setCurrentRow(0);
    QSignalSpy external(m_store->state.get(), &AppState::noteUpdatedExternally);
    {
        BoxAnswers answers(QMessageBox::Yes);
        dialog.restoreButton()->click();
        QCOMPARE(answers.titles, (QStringList{"Restore Snapshot", "Restored"}));
        QCOMPARE(answers.texts.first(),
                 QString("Replace current content with this snapshot? A snapshot of the "
                         "current content will be saved first."));
        QCOMPARE(answers.texts.last(), QString("Snapshot restored successfully."));
    }

    const Note restored = *m_store->state->notes()->get(note.id);
    QCOMPARE(restored.body, bodyOf("Original"));
    QCOMPARE(restored.version, 3);
    QCOMPARE(restored.syncStatus, SyncStatus::Pending);
    QCOMPARE(external.count(), 1);
    QCOMPARE(external.at(0).at(0).toString(), note.id);
    QCOMPARE(external.at(0).at(1).value<QObject *>(), &dialog);

    // The replaced text is now a snapshot of its own, newest first.
    const QList<Snapshot> snapshots = m_store->state->snapshots()->listForNote(note.id);
    QCOMPARE(snapshots.size(), 2);
    QCOMPARE(snapshots.at(0).version, 2);
    QCOMPARE(snapshots.at(0).body, bodyOf("Rewritten"));
    QCOMPARE(dialog.snapshotList()->count(), 2);
    QVERIFY(dialog.snapshotList()->item(0)->text().startsWith("v2 — "));

    // ...so the restore can itself be undone from the same list.
    dialog.snapshotList()->setCurrentRow(0);
    {
        BoxAnswers answers(QMessageBox::Yes);
        dialog.restoreButton()->click();
    }
    QCOMPARE(m_store->state->notes()->get(note.id)->body, bodyOf("Rewritten"));
    QCOMPARE(m_store->state->snapshots()->listForNote(note.id).size(), 3);
}

void TestVersionHistory::restoreDeclinedChangesNothing()
{
    Note note = m_store->addPlainNote("Keep me");
    VersionHistoryDialog dialog(m_store->state.get(), note.id);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.saveButton()->click();
    note = *m_store->state->notes()->get(note.id);
    note.body = bodyOf("Newer");
    note.version = 2;
    QVERIFY(m_store->state->notes()->update(note));

    dialog.snapshotList()->setCurrentRow(0);
    BoxAnswers answers(QMessageBox::No);
    dialog.restoreButton()->click();
    QCOMPARE(answers.titles, QStringList{"Restore Snapshot"});
    QCOMPARE(m_store->state->notes()->get(note.id)->body, bodyOf("Newer"));
    QCOMPARE(m_store->state->snapshots()->listForNote(note.id).size(), 1);
}

QTEST_MAIN(TestVersionHistory)
#include "tst_versionhistory.moc"
