#include "mainwintestsupport.h"

#include "editor/editortoolbar.h"
#include "editor/noteeditor.h"
#include "editor/noteheaderbar.h"
#include "storage/snapshotrepository.h"
#include "ui/notelistwidget.h"
#include "ui/notewindow.h"
#include "ui/statusbar.h"
#include "ui/uiwindowfactory.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class TstNoteWindow : public QObject
{
    Q_OBJECT

private slots:
    void geometryStoredPerNote();
    void saveReachesMainEditor();
    void mainEditorChangeReachesWindow();
    void trashFromMainWindowClosesNoteWindow();
    void titleAndLocation();
    void deleteButtonAsksThenCloses();
    void readOnlySharedNote();
    void newNoteWindow();
};

namespace {

NoteWindow *windowFor(AppState *state, const QString &noteId)
{
    return qobject_cast<NoteWindow *>(state->noteWindow(noteId));
}

class AnsweringNoteWindow : public NoteWindow
{
public:
    using NoteWindow::NoteWindow;
    QMessageBox::StandardButton answer = QMessageBox::No;
    QStringList questions;

protected:
    QMessageBox::StandardButton askQuestion(const QString &, const QString &text) override
    {
        questions.append(text);
        return answer;
    }
};

} // namespace

void TstNoteWindow::geometryStoredPerNote()
{
    UiWindowFactory factory;
    UiTestStore store;
    QVERIFY(store.open(&factory));
    const Note a = store.addNote(QStringLiteral("First"));
    const Note b = store.addNote(QStringLiteral("Second"));

    store.state->openNoteWindow(a.id);
    QPointer<NoteWindow> window = windowFor(store.state.get(), a.id);
    QVERIFY(window);
    QCOMPARE(window->size(), QSize(960, 760));
    window->resize(700, 500);
    QCOMPARE(store.state->openNoteWindowIds(), QStringList{a.id});
    window->close();
    QTRY_VERIFY(!window);
    QVERIFY(store.state->openNoteWindowIds().isEmpty());
    QVERIFY(!store.state->preferences()
                 ->getString(QStringLiteral("note_window_geom/%1").arg(a.id))
                 .isEmpty());

    store.state->openNoteWindow(a.id);
    window = windowFor(store.state.get(), a.id);
    QCOMPARE(window->size(), QSize(700, 500));
    // Opening it again raises the same window.
    store.state->openNoteWindow(a.id);
    QCOMPARE(windowFor(store.state.get(), a.id), window.data());

    store.state->openNoteWindow(b.id);
    QPointer<NoteWindow> other = windowFor(store.state.get(), b.id);
    QCOMPARE(other->size(), QSize(960, 760));
    window->close();
    other->close();
    QTRY_VERIFY(!window && !other);
}

void TstNoteWindow::saveReachesMainEditor()
{
    UiWindowFactory factory;
    UiTestStore store;
    QVERIFY(store.open(&factory));
    const Note note = store.addNote(QStringLiteral("Shared text"));
    TestMainWindow main(store.state.get());
    main.noteList()->selectNote(note.id);
    QCOMPARE(main.editor()->currentNoteId(), note.id);

    store.state->openNoteWindow(note.id);
    QPointer<NoteWindow> window = windowFor(store.state.get(), note.id);
    QVERIFY(window);
    QTest::keyClicks(window->editor(), QStringLiteral("typed "));
    QVERIFY(!main.editor()->toPlainText().contains(QStringLiteral("typed")));
    QTRY_VERIFY_WITH_TIMEOUT(main.editor()->toPlainText().contains(QStringLiteral("typed")), 3000);
    QCOMPARE(store.state->notes()->get(note.id)->version, 2);
    QVERIFY(window->windowTitle().startsWith(QStringLiteral("typed Shared text")));

    // Closing with an unsaved edit saves it and keeps a snapshot.
    QTest::keyClicks(window->editor(), QStringLiteral("more "));
    window->close();
    QTRY_VERIFY(!window);
    QVERIFY(store.state->notes()->get(note.id)->body.contains(QStringLiteral("more")));
    QCOMPARE(store.state->snapshots()->listForNote(note.id).size(), 1);
    QVERIFY(main.editor()->toPlainText().contains(QStringLiteral("more")));
}

void TstNoteWindow::mainEditorChangeReachesWindow()
{
    UiWindowFactory factory;
    UiTestStore store;
    QVERIFY(store.open(&factory));
    const Note note = store.addNote(QStringLiteral("Both"));
    TestMainWindow main(store.state.get());
    main.noteList()->selectNote(note.id);
    store.state->openNoteWindow(note.id);
    QPointer<NoteWindow> window = windowFor(store.state.get(), note.id);

    QTest::keyClicks(main.editor(), QStringLiteral("main "));
    QTRY_VERIFY_WITH_TIMEOUT(window->editor()->toPlainText().contains(QStringLiteral("main")), 3000);
    // A later save in the window keeps the main window's words.
    QTest::keyClicks(window->editor(), QStringLiteral("window "));
    QTRY_VERIFY_WITH_TIMEOUT(window->editor()->isSaved(), 3000);
    const QString body = store.state->notes()->get(note.id)->body;
    QVERIFY(body.contains(QStringLiteral("main")));
    QVERIFY(body.contains(QStringLiteral("window")));
    window->close();
    QTRY_VERIFY(!window);
}

void TstNoteWindow::trashFromMainWindowClosesNoteWindow()
{
    UiWindowFactory factory;
    UiTestStore store;
    QVERIFY(store.open(&factory));
    const Note note = store.addNote(QStringLiteral("Doomed"));
    store.addNote(QStringLiteral("Survivor"));
    TestMainWindow main(store.state.get());
    main.noteList()->selectNote(note.id);
    store.state->openNoteWindow(note.id);
    QPointer<NoteWindow> window = windowFor(store.state.get(), note.id);
    QVERIFY(window);

    main.moveSelectedNoteToTrash(false);
    QTRY_VERIFY(!window);
    QVERIFY(store.state->openNoteWindowIds().isEmpty());
    QVERIFY(store.state->notes()->get(note.id)->deletedAt);
}

void TstNoteWindow::titleAndLocation()
{
    UiWindowFactory factory;
    UiTestStore store;
    QVERIFY(store.open(&factory));
    const Notebook notebook = store.addNotebook(QStringLiteral("Recipes"));
    const Note filed = store.addNote(QStringLiteral("Pancakes"), notebook.id);
    const Note loose = store.addNote(QString());

    NoteWindow first(store.state.get(), filed.id);
    QCOMPARE(first.windowTitle(), QStringLiteral("Pancakes — Velmora Notes"));
    QCOMPARE(first.statusBarWidget()->locationText(), QStringLiteral("Recipes"));
    QVERIFY(first.headerBar()->infoLabel()->text().startsWith(QStringLiteral("Updated just now")));
    QVERIFY(!first.headerBar()->focusToggle()->isVisibleTo(&first));

    NoteWindow second(store.state.get(), loose.id);
    QCOMPARE(second.windowTitle(), QStringLiteral("Untitled — Velmora Notes"));
    QCOMPARE(second.statusBarWidget()->locationText(), QStringLiteral("Notes"));

    NoteWindow missing(store.state.get(), QStringLiteral("no-such-note"));
    QCOMPARE(missing.windowTitle(), QStringLiteral("Velmora Notes"));

    // A move made elsewhere reaches the chip and the location.
    QVERIFY(store.state->notes()->moveToNotebook(loose.id, notebook.id));
    QCOMPARE(second.headerBar()->notebookChip()->text(), QStringLiteral("Recipes"));
    QCOMPARE(second.statusBarWidget()->locationText(), QStringLiteral("Recipes"));

    // The keys the toolbar's tooltips name have window actions here too.
    for (const char *key :
         {"Ctrl+K", "Ctrl+Shift+A", "Ctrl+Shift+L", "Ctrl+Shift+E", "Ctrl+Shift+R"}) {
        int holders = 0;
        for (QAction *action : first.findChildren<QAction *>())
            holders += action->shortcut() == QKeySequence(QString::fromLatin1(key)) ? 1 : 0;
        QVERIFY2(holders == 1, key);
    }
    first.findChild<QAction *>(QStringLiteral("actionAlignCenter"))->trigger();
    QVERIFY(first.editor()->textCursor().blockFormat().alignment() & Qt::AlignHCenter);
}

void TstNoteWindow::deleteButtonAsksThenCloses()
{
    UiWindowFactory factory;
    UiTestStore store;
    QVERIFY(store.open(&factory));
    const Note note = store.addNote(QStringLiteral("Careful"));
    QPointer<AnsweringNoteWindow> window = new AnsweringNoteWindow(store.state.get(), note.id);
    window->show();

    emit window->headerBar()->deleteRequested();
    QCOMPARE(window->questions, QStringList{QStringLiteral("Move \"Careful\" to Trash?")});
    QVERIFY(!store.state->notes()->get(note.id)->deletedAt);
    QVERIFY(window->isVisible());

    window->answer = QMessageBox::Yes;
    emit window->headerBar()->deleteRequested();
    QVERIFY(store.state->notes()->get(note.id)->deletedAt);
    QTRY_VERIFY(!window);
}

void TstNoteWindow::readOnlySharedNote()
{
    UiWindowFactory factory;
    UiTestStore store;
    QVERIFY(store.open(&factory));
    Note shared = Note::create();
    shared.body = plainBody(QStringLiteral("Look only"));
    shared.isShared = true;
    shared.permission = QStringLiteral("view");
    QVERIFY(store.state->notes()->insert(shared));
    NoteWindow window(store.state.get(), shared.id);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.editor()->isReadOnly());
    QVERIFY(!window.editorToolbar()->isVisible());
    window.saveNote();
    QCOMPARE(store.state->notes()->get(shared.id)->version, 1);
}

void TstNoteWindow::newNoteWindow()
{
    UiWindowFactory factory;
    UiTestStore store;
    QVERIFY(store.open(&factory));
    TestMainWindow main(store.state.get());
    main.findChild<QAction *>(QStringLiteral("actionNewNoteInWindow"))->trigger();
    const QStringList ids = store.state->openNoteWindowIds();
    QCOMPARE(ids.size(), 1);
    QVERIFY(store.state->notes()->get(ids.first()).has_value());
    QCOMPARE(main.noteList()->count(), 1);
    QPointer<NoteWindow> window = windowFor(store.state.get(), ids.first());
    window->close();
    QTRY_VERIFY(!window);
}

QTEST_MAIN(TstNoteWindow)
#include "tst_notewindow.moc"
