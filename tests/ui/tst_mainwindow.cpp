#include "mainwintestsupport.h"

#include "editor/editortoolbar.h"
#include "editor/noteeditor.h"
#include "editor/noteheaderbar.h"
#include "storage/snapshotrepository.h"
#include "ui/findbar.h"
#include "ui/notebooklistwidget.h"
#include "ui/noteflows.h"
#include "ui/notelistdelegate.h"
#include "ui/notelistwidget.h"
#include "ui/statusbar.h"
#include "ui/welcomescreen.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTest>

class TstMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void freshProfileLayout();
    void splitterSizesValidated_data();
    void splitterSizesValidated();
    void focusModeHidesListsAndRestores();
    void welcomePageRule();
    void selectingOpenNoteDoesNothing();
    void switchWithinSaveDelaySnapshots();
    void editUndoneLeavesStoreUntouched();
    void externalChangeReloadsOnlyWhenSaved();
    void stenoAndSearchOrder();
    void searchFindsNotesOfOtherNotebooks();
    void trashRowRule();
    void trashAsksFirst();
    void deleteNotebookKeepsNotes();
    void renameNotebookToSameNameChangesNothing();
    void readOnlySharedNoteHidesToolbar();
    void printWithoutNote();
    void moveWithChooser();
    void dropOnNotebookMovesNote();
    void noTrayMeansCloseQuits();
    void quitRecordsOpenWindows();
    void bodySizeReachesEditorAndLists();
    void shortcutsAreUnambiguous();
    void copyExportBackupAndRestore();
    void headerChipAndTodosToggle();
    void findBarInNote();
    void screensOpenFromMenus();
};

namespace {

void selectRowOf(NoteListWidget *list, const QString &id)
{
    list->selectNote(id);
    QCOMPARE(list->currentNoteId(), id);
}

} // namespace

void TstMainWindow::freshProfileLayout()
{
    UiTestStore store;
    QVERIFY(store.open());
    TestMainWindow window(store.state.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.size(), QSize(1280, 1024));
    const QList<int> sizes = window.splitter()->sizes();
    QCOMPARE(sizes.size(), 3);
    QCOMPARE(sizes.at(0), 200);
    QCOMPARE(sizes.at(1), 260);
    QVERIFY(sizes.at(2) > 700);
    QVERIFY(window.isSidebarVisible());
    QVERIFY(!window.isFocusMode());
    QVERIFY(window.sidebarAction()->isChecked());
    QVERIFY(!window.focusModeAction()->isChecked());
    QCOMPARE(window.windowTitle(), QStringLiteral("Velmora Notes"));
}

void TstMainWindow::splitterSizesValidated_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("two numbers") << "150,300" << QList<int>{};
    QTest::newRow("not a number") << "150,abc,700" << QList<int>{};
    QTest::newRow("negative") << "150,-3,700" << QList<int>{};
    QTest::newRow("four numbers") << "1,2,3,4" << QList<int>{};
    QTest::newRow("valid") << "150,300,700" << QList<int>{150, 300, 700};
    QTest::newRow("empty parts skipped") << ",150,,300,700," << QList<int>{150, 300, 700};
}

void TstMainWindow::splitterSizesValidated()
{
    QFETCH(QString, stored);
    QFETCH(QList<int>, expected);
    UiTestStore store;
    QVERIFY(store.open());
    QSettings().setValue(QStringLiteral("mainWindow/normalSplitterSizes"), stored);

    TestMainWindow window(store.state.get());
    QCOMPARE(window.normalSizes(), expected);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QList<int> sizes = window.splitter()->sizes();
    QCOMPARE(sizes.at(0), expected.isEmpty() ? 200 : expected.at(0));
    QCOMPARE(sizes.at(1), expected.isEmpty() ? 260 : expected.at(1));
}

void TstMainWindow::focusModeHidesListsAndRestores()
{
    UiTestStore store;
    QVERIFY(store.open());
    TestMainWindow window(store.state.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.splitter()->setSizes({180, 300, 800});
    emit window.splitter()->splitterMoved(180, 1);
    const QList<int> before = window.splitter()->sizes();

    window.focusModeAction()->trigger();
    QVERIFY(window.isFocusMode());
    QVERIFY(window.focusModeAction()->isChecked());
    QVERIFY(window.headerBar()->isFocusMode());
    QVERIFY(QSettings().value(QStringLiteral("mainWindow/focusMode")).toBool());
    QVERIFY(!window.notebookList()->isVisible());
    QVERIFY(!window.noteList()->isVisible());
    QCOMPARE(window.splitter()->sizes().at(0), 0);
    QCOMPARE(window.splitter()->sizes().at(1), 0);

    // Hiding the sidebar in focus mode changes nothing visible.
    window.sidebarAction()->trigger();
    QVERIFY(!window.isSidebarVisible());
    QVERIFY(!window.noteList()->isVisible());

    // The header bar's toggle leaves focus mode; the sidebar stays hidden.
    emit window.headerBar()->focusToggleClicked();
    QVERIFY(!window.isFocusMode());
    QVERIFY(!window.focusModeAction()->isChecked());
    QVERIFY(!window.headerBar()->isFocusMode());
    QVERIFY(!QSettings().value(QStringLiteral("mainWindow/focusMode")).toBool());
    QVERIFY(window.noteList()->isVisible());
    QVERIFY(!window.notebookList()->isVisible());

    window.sidebarAction()->trigger();
    QVERIFY(window.notebookList()->isVisible());
    QCOMPARE(window.splitter()->sizes().at(0), before.at(0));
    QCOMPARE(window.splitter()->sizes().at(1), before.at(1));

    // Both flags come back at the next start.
    window.focusModeAction()->trigger();
    TestMainWindow second(store.state.get());
    QVERIFY(second.isFocusMode());
    QVERIFY(second.focusModeAction()->isChecked());
}

void TstMainWindow::welcomePageRule()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addNote(QStringLiteral("Hello"));
    TestMainWindow window(store.state.get());
    QCOMPARE(window.centralStack()->currentWidget(), window.welcomeScreen());
    // No sign-in service yet: its entries are absent, not dead.
    QVERIFY(!window.findChild<QAction *>(QStringLiteral("actionSignIn"))->isVisible());
    QVERIFY(!window.findChild<QAction *>(QStringLiteral("actionSignOut"))->isVisible());
    QVERIFY(!window.welcomeScreen()->accountButton()->isVisibleTo(window.welcomeScreen()));
    QVERIFY(window.welcomeScreen()->continueButton()->isVisibleTo(window.welcomeScreen()));

    window.welcomeScreen()->continueButton()->click();
    QCOMPARE(window.centralStack()->currentWidget(), window.editorPage());

    window.findChild<QAction *>(QStringLiteral("actionSignIn"))->trigger();
    QCOMPARE(window.centralStack()->currentWidget(), window.welcomeScreen());

    window.noteList()->selectNote(note.id);
    QCOMPARE(window.centralStack()->currentWidget(), window.editorPage());
    QCOMPARE(window.editor()->currentNoteId(), note.id);
}

void TstMainWindow::selectingOpenNoteDoesNothing()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addNote(QStringLiteral("Same"));
    TestMainWindow window(store.state.get());
    selectRowOf(window.noteList(), note.id);
    QTest::keyClicks(window.editor(), QStringLiteral("xyz"));
    QVERIFY(!window.editor()->isSaved());

    emit window.noteList()->noteSelected(note.id);
    QVERIFY(!window.editor()->isSaved());
    QVERIFY(window.editor()->toPlainText().contains(QStringLiteral("xyz")));
    QCOMPARE(store.state->notes()->get(note.id)->version, 1);
}

void TstMainWindow::switchWithinSaveDelaySnapshots()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note a = store.addNote(QStringLiteral("Alpha"));
    const Note b = store.addNote(QStringLiteral("Beta"));
    TestMainWindow window(store.state.get());

    selectRowOf(window.noteList(), a.id);
    QTest::keyClicks(window.editor(), QStringLiteral("one "));
    const QString typed = window.editor()->noteJson();
    selectRowOf(window.noteList(), b.id);

    const Note storedA = *store.state->notes()->get(a.id);
    QCOMPARE(storedA.body, typed);
    QCOMPARE(storedA.version, 2);
    const QList<Snapshot> snapshotsA = store.state->snapshots()->listForNote(a.id);
    QCOMPARE(snapshotsA.size(), 1);
    QCOMPARE(snapshotsA.first().version, 2);
    QCOMPARE(snapshotsA.first().body, typed);
    QCOMPARE(store.state->currentNoteId(), b.id);

    // After the save delay the switch stores no snapshot.
    QTest::keyClicks(window.editor(), QStringLiteral("two "));
    QTRY_VERIFY_WITH_TIMEOUT(window.editor()->isSaved(), 3000);
    QCOMPARE(store.state->notes()->get(b.id)->version, 2);
    selectRowOf(window.noteList(), a.id);
    QVERIFY(store.state->snapshots()->listForNote(b.id).isEmpty());

    // Closing stores one whenever the body differs from the loaded one.
    QTest::keyClicks(window.editor(), QStringLiteral("three "));
    window.close();
    const QList<Snapshot> afterClose = store.state->snapshots()->listForNote(a.id);
    QCOMPARE(afterClose.size(), 2);
    QCOMPARE(afterClose.first().version, 3);
}

void TstMainWindow::editUndoneLeavesStoreUntouched()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addNote(QStringLiteral("Keep me"));
    TestMainWindow window(store.state.get());
    selectRowOf(window.noteList(), note.id);
    const QString loaded = window.editor()->noteJson();
    QVERIFY(sameDeltaBody(loaded, note.body));

    QTest::keyClicks(window.editor(), QStringLiteral("a"));
    window.editor()->undo();
    QTRY_VERIFY_WITH_TIMEOUT(window.editor()->isSaved(), 3000);
    const Note stored = *store.state->notes()->get(note.id);
    QCOMPARE(stored.body, note.body);
    QCOMPARE(stored.version, 1);
    QCOMPARE(stored.updatedAt, note.updatedAt);
    window.close();
    QVERIFY(store.state->snapshots()->listForNote(note.id).isEmpty());
}

void TstMainWindow::externalChangeReloadsOnlyWhenSaved()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addNote(QStringLiteral("Original"));
    TestMainWindow window(store.state.get());
    selectRowOf(window.noteList(), note.id);

    Note changed = *store.state->notes()->get(note.id);
    changed.body = plainBody(QStringLiteral("From sync"));
    QVERIFY(store.state->notes()->update(changed));
    QVERIFY(window.editor()->toPlainText().contains(QStringLiteral("From sync")));

    QTest::keyClicks(window.editor(), QStringLiteral("mine "));
    changed.body = plainBody(QStringLiteral("Second sync"));
    QVERIFY(store.state->notes()->update(changed));
    QVERIFY(window.editor()->toPlainText().contains(QStringLiteral("mine")));
    QVERIFY(!window.editor()->toPlainText().contains(QStringLiteral("Second sync")));
}

void TstMainWindow::stenoAndSearchOrder()
{
    UiTestStore store;
    QVERIFY(store.open());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Note oldest = store.addNote(QStringLiteral("apple one"), {}, now.addSecs(-300));
    const Note middle = store.addNote(QStringLiteral("apple apple two"), {}, now.addSecs(-200));
    const Note newest = store.addNote(QStringLiteral("three"), {}, now.addSecs(-100));
    TestMainWindow window(store.state.get());
    auto ids = [&window] {
        QStringList list;
        for (int row = 0; row < window.noteList()->count(); ++row)
            list.append(window.noteList()->item(row)->data(NoteListWidget::NoteIdRole).toString());
        return list;
    };
    QCOMPARE(ids(), (QStringList{newest.id, middle.id, oldest.id}));

    store.state->preferences()->setBool(QStringLiteral("steno_mode"), true);
    QCOMPARE(ids(), (QStringList{oldest.id, middle.id, newest.id}));
    // The search field moved below the list.
    QLayout *pane = window.noteList()->parentWidget()->layout();
    QCOMPARE(pane->indexOf(window.noteList()), 0);
    store.state->preferences()->setBool(QStringLiteral("steno_mode"), false);
    QCOMPARE(pane->indexOf(window.noteList()), 1);
    QCOMPARE(ids(), (QStringList{newest.id, middle.id, oldest.id}));
    store.state->preferences()->setBool(QStringLiteral("steno_mode"), true);

    window.searchField()->setText(QStringLiteral("apple"));
    window.refreshNoteList();
    QStringList expected;
    for (const Note &n : store.state->notes()->search(QStringLiteral("apple")))
        expected.append(n.id);
    QCOMPARE(expected.size(), 2);
    QCOMPARE(ids(), expected);
    QCOMPARE(window.statusBarWidget()->locationText(), QStringLiteral("All Notes (2 notes)"));
}

void TstMainWindow::searchFindsNotesOfOtherNotebooks()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Notebook work = store.addNotebook(QStringLiteral("Work"));
    const Notebook home = store.addNotebook(QStringLiteral("Home"));
    store.addNote(QStringLiteral("Meeting"), work.id);
    const Note zebra = store.addNote(QStringLiteral("Zebra crossing"), home.id);
    TestMainWindow window(store.state.get());

    emit window.notebookList()->notebookSelected(work.id);
    QCOMPARE(window.noteList()->count(), 1);
    QCOMPARE(window.statusBarWidget()->locationText(), QStringLiteral("Work (1 note)"));

    QTest::keyClicks(window.searchField(), QStringLiteral("zeb"));
    QTRY_COMPARE_WITH_TIMEOUT(window.noteList()->count(), 1, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(window.noteList()->item(0)->data(NoteListWidget::NoteIdRole).toString(),
                              zebra.id,
                              2000);
    QCOMPARE(window.noteList()->item(0)->data(NoteListWidget::NotebookNameRole).toString(),
             QStringLiteral("Home"));
}

void TstMainWindow::trashRowRule()
{
    UiTestStore store;
    QVERIFY(store.open());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Note c = store.addNote(QStringLiteral("C"), {}, now.addSecs(-30));
    const Note b = store.addNote(QStringLiteral("B"), {}, now.addSecs(-20));
    const Note a = store.addNote(QStringLiteral("A"), {}, now.addSecs(-10));
    TestMainWindow window(store.state.get());

    selectRowOf(window.noteList(), b.id);
    QCOMPARE(window.noteList()->currentRow(), 1);
    // Words typed just before trashing go to the trash with the note.
    QTest::keyClicks(window.editor(), QStringLiteral("last words "));
    window.moveSelectedNoteToTrash(false);
    QVERIFY(store.state->notes()->get(b.id)->body.contains(QStringLiteral("last words")));
    QCOMPARE(window.noteList()->count(), 2);
    QCOMPARE(window.noteList()->currentRow(), 1);
    QCOMPARE(window.noteList()->currentNoteId(), c.id);
    QCOMPARE(window.editor()->currentNoteId(), c.id);
    QCOMPARE(store.state->currentNoteId(), c.id);
    QVERIFY(store.state->notes()->get(b.id)->deletedAt.has_value());

    // The last row: the row above takes its place.
    window.moveSelectedNoteToTrash(false);
    QCOMPARE(window.noteList()->currentNoteId(), a.id);
    QCOMPARE(window.editor()->currentNoteId(), a.id);

    window.moveSelectedNoteToTrash(false);
    QCOMPARE(window.noteList()->count(), 0);
    QVERIFY(window.editor()->currentNoteId().isEmpty());
    QVERIFY(window.editor()->isReadOnly());
    QVERIFY(window.loadedContent().isEmpty());
    QCOMPARE(window.centralStack()->currentWidget(), window.welcomeScreen());

    // The remembered note is in the trash now: the next start opens nothing.
    QCOMPARE(store.state->currentNoteId(), a.id);
    TestMainWindow next(store.state.get());
    QVERIFY(next.editor()->currentNoteId().isEmpty());
    QCOMPARE(next.centralStack()->currentWidget(), next.welcomeScreen());
}

void TstMainWindow::trashAsksFirst()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addNote(QStringLiteral("Groceries"));
    const Note blank = store.addNote(QString());
    TestMainWindow window(store.state.get());
    selectRowOf(window.noteList(), note.id);
    window.answer = QMessageBox::No;
    window.findChild<QAction *>(QStringLiteral("actionMoveToTrash"))->trigger();
    QCOMPARE(window.questions, QStringList{QStringLiteral("Move \"Groceries\" to Trash?")});
    QVERIFY(!store.state->notes()->get(note.id)->deletedAt);

    selectRowOf(window.noteList(), blank.id);
    window.answer = QMessageBox::Yes;
    window.findChild<QAction *>(QStringLiteral("actionMoveToTrash"))->trigger();
    QCOMPARE(window.questions.last(), QStringLiteral("Move \"this note\" to Trash?"));
    QVERIFY(store.state->notes()->get(blank.id)->deletedAt);
}

void TstMainWindow::deleteNotebookKeepsNotes()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Notebook notebook = store.addNotebook(QStringLiteral("Trip"));
    const Note one = store.addNote(QStringLiteral("Tickets"), notebook.id);
    const Note two = store.addNote(QStringLiteral("Hotel"), notebook.id);
    TestMainWindow window(store.state.get());
    emit window.notebookList()->notebookSelected(notebook.id);
    QCOMPARE(store.state->currentNotebookId(), notebook.id);

    window.answer = QMessageBox::No;
    window.deleteNotebook(notebook.id);
    QVERIFY(!store.state->notebooks()->get(notebook.id)->deletedAt);

    window.answer = QMessageBox::Yes;
    window.deleteNotebook(notebook.id);
    QCOMPARE(window.questions.last(),
             QStringLiteral("Delete \"Trip\"? Its notes will move to All Notes."));
    QVERIFY(store.state->notebooks()->get(notebook.id)->deletedAt);
    QVERIFY(store.state->notes()->get(one.id)->notebookId.isEmpty());
    QVERIFY(store.state->notes()->get(two.id)->notebookId.isEmpty());
    QVERIFY(store.state->currentNotebookId().isEmpty());
    QCOMPARE(window.noteList()->count(), 2);
    // All Notes, Trash and New Notebook… remain; All Notes is selected.
    QCOMPARE(window.notebookList()->count(), 3);
    QCOMPARE(window.notebookList()->currentRow(), 0);
}

void TstMainWindow::renameNotebookToSameNameChangesNothing()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Notebook notebook = store.addNotebook(QStringLiteral("Ideas"));
    TestMainWindow window(store.state.get());
    window.notebookNameAnswer = QStringLiteral("Ideas");
    window.renameNotebook(notebook.id);
    QCOMPARE(store.state->notebooks()->get(notebook.id)->version, 1);

    window.notebookNameAnswer = QStringLiteral("Plans");
    window.renameNotebook(notebook.id);
    const Notebook renamed = *store.state->notebooks()->get(notebook.id);
    QCOMPARE(renamed.name, QStringLiteral("Plans"));
    QCOMPARE(renamed.version, 2);

    // A new notebook becomes the current one.
    window.notebookNameAnswer = QStringLiteral("Fresh");
    window.createNotebook();
    const QString current = store.state->currentNotebookId();
    QCOMPARE(store.state->notebooks()->get(current)->name, QStringLiteral("Fresh"));
    QCOMPARE(window.notebookList()->currentItem()->data(NotebookListWidget::LabelRole).toString(),
             QStringLiteral("Fresh"));
}

void TstMainWindow::readOnlySharedNoteHidesToolbar()
{
    UiTestStore store;
    QVERIFY(store.open());
    Note shared = Note::create();
    shared.body = plainBody(QStringLiteral("Shared with me"));
    shared.isShared = true;
    shared.permission = QStringLiteral("read");
    QVERIFY(store.state->notes()->insert(shared));
    Note editable = shared;
    editable.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    editable.permission = QStringLiteral("edit");
    QVERIFY(store.state->notes()->insert(editable));
    const Note own = store.addNote(QStringLiteral("Mine"));

    TestMainWindow window(store.state.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    selectRowOf(window.noteList(), shared.id);
    QVERIFY(window.editor()->isReadOnly());
    QVERIFY(!window.editorToolbar()->isVisible());
    QVERIFY(!window.headerBar()->isNoteActive());

    selectRowOf(window.noteList(), editable.id);
    QVERIFY(!window.editor()->isReadOnly());
    QVERIFY(window.editorToolbar()->isVisible());

    selectRowOf(window.noteList(), own.id);
    QVERIFY(!window.editor()->isReadOnly());
    QVERIFY(window.editorToolbar()->isVisible());
    QVERIFY(window.headerBar()->isNoteActive());
}

void TstMainWindow::printWithoutNote()
{
    UiTestStore store;
    QVERIFY(store.open());
    TestMainWindow window(store.state.get());
    window.findChild<QAction *>(QStringLiteral("actionPrint"))->trigger();
    QCOMPARE(window.statusBarWidget()->currentMessage(), QStringLiteral("No note selected"));
    QCOMPARE(window.printDialogs, 0);
    window.statusBarWidget()->clearMessage();
    window.printPreviewCurrentNote();
    QCOMPARE(window.statusBarWidget()->currentMessage(), QStringLiteral("No note selected"));
    QCOMPARE(window.printDialogs, 0);
}

void TstMainWindow::moveWithChooser()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Notebook first = store.addNotebook(QStringLiteral("First"));
    const Note note = store.addNote(QStringLiteral("Movable"), first.id);
    TestMainWindow window(store.state.get());
    selectRowOf(window.noteList(), note.id);

    // Cancelled in the menu variant: nothing moves.
    window.notebookChoice.clear();
    window.findChild<QAction *>(QStringLiteral("actionMoveToNotebook"))->trigger();
    QCOMPARE(store.state->notes()->get(note.id)->notebookId, first.id);

    // The header variant moves whenever the answer differs: out of any notebook.
    emit window.headerBar()->moveToNotebookRequested();
    QVERIFY(store.state->notes()->get(note.id)->notebookId.isEmpty());

    // The chip follows each move, although the body stays the same.
    QCOMPARE(window.headerBar()->notebookChip()->text(), QStringLiteral("Unorganized"));

    window.notebookChoice = first.id;
    window.findChild<QAction *>(QStringLiteral("actionMoveToNotebook"))->trigger();
    QCOMPARE(store.state->notes()->get(note.id)->notebookId, first.id);
    QCOMPARE(window.headerBar()->notebookChip()->text(), QStringLiteral("First"));

    // A rename reaches the chip too.
    Notebook renamed = *store.state->notebooks()->get(first.id);
    renamed.name = QStringLiteral("Renamed");
    QVERIFY(store.state->notebooks()->update(renamed));
    QCOMPARE(window.headerBar()->notebookChip()->text(), QStringLiteral("Renamed"));
}

void TstMainWindow::dropOnNotebookMovesNote()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Notebook notebook = store.addNotebook(QStringLiteral("Box"));
    const Note note = store.addNote(QStringLiteral("Dragged"), notebook.id);
    TestMainWindow window(store.state.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    NotebookListWidget *sidebar = window.notebookList();
    auto dropOnRow = [sidebar, &note](int row) {
        const QPoint pos = sidebar->visualItemRect(sidebar->item(row)).center();
        QMimeData data;
        data.setData(QStringLiteral("application/x-velmora-note-id"), note.id.toUtf8());
        // Qt delivers moves and drops to the widget that took the drag enter.
        QDragEnterEvent enter(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sidebar->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sidebar->viewport(), &move);
        const bool moveAccepted = move.isAccepted();
        QDropEvent drop(QPointF(pos), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sidebar->viewport(), &drop);
        return moveAccepted && drop.isAccepted();
    };

    // Rows: All Notes, Box, Trash, New Notebook…
    QVERIFY(!dropOnRow(2));
    QCOMPARE(store.state->notes()->get(note.id)->notebookId, notebook.id);
    QVERIFY(!store.state->notes()->get(note.id)->deletedAt);
    QVERIFY(dropOnRow(0));
    QVERIFY(store.state->notes()->get(note.id)->notebookId.isEmpty());
    QVERIFY(dropOnRow(1));
    QCOMPARE(store.state->notes()->get(note.id)->notebookId, notebook.id);
}

void TstMainWindow::noTrayMeansCloseQuits()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("This platform has a system tray.");
    UiTestStore store;
    QVERIFY(store.open());
    store.state->preferences()->setBool(QStringLiteral("close_to_tray"), true);
    TestMainWindow window(store.state.get());
    QVERIFY(!window.closesToTray());
    QVERIFY(!window.trayIcon());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());

    // Turning the setting on later behaves the same.
    store.state->preferences()->setBool(QStringLiteral("close_to_tray"), false);
    store.state->preferences()->setBool(QStringLiteral("start_minimized"), true);
    QVERIFY(!window.trayIcon());
}

void TstMainWindow::quitRecordsOpenWindows()
{
    UiTestStore store;
    QVERIFY(store.open());
    TestMainWindow window(store.state.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.quitApplication();
    QVERIFY(!window.isVisible());
    PreferencesRepository *prefs = store.state->preferences();
    QVERIFY(prefs->value(QStringLiteral("restore_note_windows")).has_value());
    QCOMPARE(*prefs->value(QStringLiteral("restore_note_windows")), QString());
    QCOMPARE(*prefs->value(QStringLiteral("restore_todos_window")), QStringLiteral("0"));
    // Saving the window state on close kept the layout.
    QVERIFY(!QSettings().value(QStringLiteral("mainWindow/geometry")).toByteArray().isEmpty());
    QCOMPARE(QSettings().value(QStringLiteral("mainWindow/normalSplitterSizes")).toString().count(','),
             2);
}

void TstMainWindow::bodySizeReachesEditorAndLists()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addNote(QStringLiteral("Sized"));
    TestMainWindow window(store.state.get());
    selectRowOf(window.noteList(), note.id);
    store.state->preferences()->setInt(QStringLiteral("editor_body_pt"), 15);
    QCOMPARE(window.editor()->font().pixelSize(), 20);
    QCOMPARE(window.noteList()->visualItemRect(window.noteList()->item(0)).height(),
             NoteListDelegate::metrics(20).rowHeight);
    store.state->preferences()->setInt(QStringLiteral("editor_body_pt"), 0);
    QCOMPARE(window.editor()->font().pixelSize(), 16);
    store.state->preferences()->setInt(QStringLiteral("editor_body_pt"), 12);
    QCOMPARE(window.editor()->font().pixelSize(), 16);
    QCOMPARE(window.editor()->currentNoteId(), note.id);
}

void TstMainWindow::shortcutsAreUnambiguous()
{
    UiTestStore store;
    QVERIFY(store.open());
    TestMainWindow window(store.state.get());
    QHash<QKeySequence, QString> seen;
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->shortcut().isEmpty())
            continue;
        QVERIFY2(!seen.contains(action->shortcut()),
                 qPrintable(action->objectName() + " and " + seen.value(action->shortcut())));
        seen.insert(action->shortcut(), action->objectName());
    }
    QCOMPARE(seen.value(QKeySequence(QStringLiteral("Ctrl+D"))),
             QStringLiteral("actionMoveToTrash"));
    QCOMPARE(window.findChild<QAction *>(QStringLiteral("actionNewNote"))->shortcutContext(),
             Qt::ApplicationShortcut);
    // Every key a toolbar tooltip names has an action behind it.
    QCOMPARE(seen.value(QKeySequence(QStringLiteral("Ctrl+Shift+A"))),
             QStringLiteral("actionInsertAttachment"));
    QCOMPARE(seen.value(QKeySequence(QStringLiteral("Ctrl+K"))), QStringLiteral("actionInsertLink"));
}

void TstMainWindow::copyExportBackupAndRestore()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addNote(QStringLiteral("Export <me>"));
    store.addNote(QStringLiteral("Another"));
    TestMainWindow window(store.state.get());
    selectRowOf(window.noteList(), note.id);

    QTest::keyClicks(window.editor(), QStringLiteral("Fresh "));
    emit window.headerBar()->copyAsMarkdownRequested();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Fresh Export <me>\n"));
    emit window.headerBar()->copyAsHtmlRequested();
    const QMimeData *html = QGuiApplication::clipboard()->mimeData();
    QVERIFY(html->html().contains(QStringLiteral("Fresh Export &lt;me&gt;")));
    QCOMPARE(html->text(), QStringLiteral("Fresh Export <me>\n"));
    emit window.headerBar()->copyAsPlainTextRequested();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Fresh Export <me>"));

    window.exportChoice = ExportChoice{ExportFormat::Markdown, false};
    window.saveFileAnswer = store.dir.filePath(QStringLiteral("out.md"));
    emit window.headerBar()->exportRequested();
    QFile exported(window.saveFileAnswer);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QVERIFY(exported.readAll().startsWith("Fresh Export <me>"));
    QCOMPARE(window.statusBarWidget()->currentMessage(),
             QStringLiteral("Exported to %1").arg(window.saveFileAnswer));

    window.saveFileAnswer = store.dir.filePath(QStringLiteral("backup.zip"));
    window.findChild<QAction *>(QStringLiteral("actionBackup"))->trigger();
    QVERIFY2(window.warnings.isEmpty(), qPrintable(window.warnings.join(';')));
    QCOMPARE(window.statusBarWidget()->currentMessage(), QStringLiteral("Backup saved: 2 notes"));

    window.openFileAnswer = window.saveFileAnswer;
    window.answer = QMessageBox::No;
    window.findChild<QAction *>(QStringLiteral("actionRestore"))->trigger();
    QVERIFY(window.informations.isEmpty());
    window.answer = QMessageBox::Yes;
    window.findChild<QAction *>(QStringLiteral("actionRestore"))->trigger();
    QCOMPARE(window.informations, QStringList{QStringLiteral("Imported: 0\nSkipped: 2\nErrors: 0")});

    // A file that is no backup says why.
    window.openFileAnswer = store.dir.filePath(QStringLiteral("out.md"));
    window.findChild<QAction *>(QStringLiteral("actionRestore"))->trigger();
    QCOMPARE(window.informations.size(), 2);
    QVERIFY(window.informations.last().contains(QStringLiteral("Errors: 1\n\n")));
}

void TstMainWindow::headerChipAndTodosToggle()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Notebook notebook = store.addNotebook(QStringLiteral("Garden"));
    const Note note = store.addNote(QStringLiteral("Roses"), notebook.id);
    store.addNote(QStringLiteral("Elsewhere"));
    TestMainWindow window(store.state.get());
    selectRowOf(window.noteList(), note.id);
    QCOMPARE(window.noteList()->count(), 2);
    QCOMPARE(window.headerBar()->notebookChip()->text(), QStringLiteral("Garden"));

    emit window.headerBar()->notebookChipClicked();
    QCOMPARE(store.state->currentNotebookId(), notebook.id);
    QCOMPARE(window.noteList()->count(), 1);
    QCOMPARE(window.notebookList()->currentItem()->data(NotebookListWidget::LabelRole).toString(),
             QStringLiteral("Garden"));

    QVERIFY(store.state->notes()->includeInTodos(note.id));
    emit window.headerBar()->includeInTodosToggled(false);
    QVERIFY(!store.state->notes()->includeInTodos(note.id));
}

void TstMainWindow::findBarInNote()
{
    UiTestStore store;
    QVERIFY(store.open());
    const Note note = store.addNote(QStringLiteral("one two one"));
    TestMainWindow window(store.state.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    selectRowOf(window.noteList(), note.id);

    window.findChild<QAction *>(QStringLiteral("actionFindInNote"))->trigger();
    QVERIFY(window.findBar()->isVisible());
    QTest::keyClicks(window.findBar()->field(), QStringLiteral("one"));
    QCOMPARE(window.editor()->textCursor().selectionStart(), 0);
    QTest::keyClick(window.findBar()->field(), Qt::Key_Return);
    QCOMPARE(window.editor()->textCursor().selectionStart(), 8);
    QTest::keyClick(window.findBar()->field(), Qt::Key_Return); // wraps to the first
    QCOMPARE(window.editor()->textCursor().selectionStart(), 0);
    QTest::keyClick(window.findBar()->field(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(window.editor()->textCursor().selectionStart(), 8);
    window.findBar()->field()->setText(QStringLiteral("absent"));
    QVERIFY(!window.findBar()->findNext());
    QTest::keyClick(window.findBar()->field(), Qt::Key_Escape);
    QVERIFY(!window.findBar()->isVisible());
}

void TstMainWindow::screensOpenFromMenus()
{
    UiTestStore store;
    QVERIFY(store.open());
    TestMainWindow window(store.state.get());
    window.findChild<QAction *>(QStringLiteral("actionTodos"))->trigger();
    QVERIFY(window.todosWindow());
    QVERIFY(window.todosWindow()->isVisible());
    QVERIFY(window.todosWindow()->isWindow());
    QCOMPARE(window.todosWindow()->windowTitle(), QStringLiteral("To-Dos — Velmora Notes"));

    window.findChild<QAction *>(QStringLiteral("actionSearchAllNotes"))->trigger();
    window.findChild<QAction *>(QStringLiteral("actionTrash"))->trigger();
    QStringList titles;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->isVisible())
            titles.append(top->windowTitle());
    }
    QVERIFY(titles.contains(QStringLiteral("Search — Velmora Notes")));
    QVERIFY(titles.contains(QStringLiteral("Trash — Velmora Notes")));

    window.quitApplication();
    QCOMPARE(store.state->preferences()->getString(QStringLiteral("restore_todos_window")),
             QStringLiteral("1"));
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
