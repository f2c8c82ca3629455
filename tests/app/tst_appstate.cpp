#include "app/appstate.h"
#include "app/windowfactory.h"
#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/note.h"
#include "storage/noterepository.h"
#include "storage/preferencesrepository.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

// Plain widgets stand in for note windows: AppState only needs to show,
// raise and forget them.
class TestFactory : public WindowFactory
{
public:
    ThemeManager *createThemeManager(AppState *) override { return nullptr; }
    QWidget *createMainWindow(AppState *) override { return nullptr; }
    QWidget *createNoteWindow(AppState *state, const QString &noteId) override
    {
        ++created;
        auto *window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(window, &QObject::destroyed, state, [state, noteId] {
            state->onNoteWindowClosed(noteId);
        });
        return window;
    }
    void showTodosWindow(QWidget *) override {}
    int created = 0;
};

class TestAppState : public QObject
{
    Q_OBJECT

private:
    static void usePaths(AppState &state, const QTemporaryDir &dir)
    {
        state.setStoragePaths(dir.path() + QStringLiteral("/store.db"),
                              dir.path() + QStringLiteral("/attachments"));
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void initializeEmitsReadyAndDefaultsToDataDirectory()
    {
        QTemporaryDir dir;
        qputenv("NOTES_DATA_DIR", dir.path().toUtf8());
        AppState state;
        QSignalSpy ready(&state, &AppState::databaseReady);
        QVERIFY(state.initialize());
        QCOMPARE(ready.count(), 1);
        QVERIFY(state.notes() && state.notebooks() && state.preferences() && state.snapshots()
                && state.attachments());
        const QStringList files = QDir(dir.path()).entryList({QStringLiteral("velmora_notes_*.db")});
        QCOMPARE(files.size(), 1);
        QCOMPARE(state.attachmentsDirectory(), dir.path() + QStringLiteral("/attachments"));
    }

    void unopenableDatabaseFails()
    {
        QTemporaryDir dir;
        // A directory where the database file should be cannot be opened as one.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("store.db/inner")));
        AppState state;
        usePaths(state, dir);
        QSignalSpy ready(&state, &AppState::databaseReady);
        QVERIFY(!state.initialize());
        QCOMPARE(ready.count(), 0);
    }

    void currentIdsWriteOnceAndRestoreSilently()
    {
        QTemporaryDir dir;
        {
            AppState state;
            usePaths(state, dir);
            QVERIFY(state.initialize());
            QSignalSpy noteChanged(&state, &AppState::currentNoteChanged);
            QSignalSpy notebookChanged(&state, &AppState::currentNotebookChanged);
            QSignalSpy prefChanged(state.preferences(), &PreferencesRepository::changed);

            state.setCurrentNoteId(QStringLiteral("n1"));
            state.setCurrentNoteId(QStringLiteral("n1"));
            state.setCurrentNotebookId(QStringLiteral("b1"));
            QCOMPARE(noteChanged.count(), 1);
            QCOMPARE(noteChanged.at(0).at(0).toString(), QStringLiteral("n1"));
            QCOMPARE(notebookChanged.count(), 1);
            QCOMPARE(prefChanged.count(), 2);
            QCOMPARE(state.preferences()->getString(QStringLiteral("lastNoteId"), QString()),
                     QStringLiteral("n1"));
            state.setCurrentNotebookId(QString()); // an empty notebook is remembered too
        }
        AppState again;
        usePaths(again, dir);
        QSignalSpy noteChanged(&again, &AppState::currentNoteChanged);
        QSignalSpy notebookChanged(&again, &AppState::currentNotebookChanged);
        QVERIFY(again.initialize());
        QCOMPARE(again.currentNoteId(), QStringLiteral("n1"));
        QCOMPARE(again.currentNotebookId(), QString());
        QCOMPARE(noteChanged.count(), 0);
        QCOMPARE(notebookChanged.count(), 0);
    }

    void createdNoteRelaysSignalsAndPurgesFiles()
    {
        QTemporaryDir dir;
        AppState state;
        TestFactory factory;
        usePaths(state, dir);
        state.setWindowFactory(&factory);
        QVERIFY(state.initialize());
        QSignalSpy notesChanged(&state, &AppState::notesChanged);
        QSignalSpy deleted(&state, &AppState::noteDeletedExternally);
        QVERIFY(state.createNoteWindow());
        const QString id = state.openNoteWindowIds().value(0);
        QCOMPARE(notesChanged.count(), 1);
        const auto note = state.notes()->get(id);
        QVERIFY(note.has_value());
        QCOMPARE(note->body, QStringLiteral("[{\"insert\":\"\\n\"}]"));
        QCOMPARE(note->version, 1);

        Attachment attachment;
        attachment.id = QStringLiteral("att-1");
        attachment.noteId = id;
        attachment.filename = QStringLiteral("photo.png");
        attachment.mimeType = QStringLiteral("image/png");
        attachment.sizeBytes = 16;
        attachment.createdAt = QDateTime::currentDateTimeUtc();
        QVERIFY(state.attachments()->saveFile(attachment.id, QByteArray("not really a png")));
        QVERIFY(state.attachments()->insert(attachment));
        const QString stored = state.attachments()->filePath(attachment.id);
        QVERIFY(QFile::exists(stored));

        QVERIFY(state.notes()->moveToTrash(id));
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(), id);
        // Purging through the state's repositories takes the attachment files along.
        QVERIFY(state.notes()->purge(id));
        QVERIFY(!QFile::exists(stored));
        QVERIFY(!state.notes()->get(id).has_value());
    }

    void noteWindowsOpenOnceAndForgetOnClose()
    {
        QTemporaryDir dir;
        TestFactory factory;
        AppState state;
        usePaths(state, dir);
        state.setWindowFactory(&factory);
        QVERIFY(state.initialize());
        state.openNoteWindow(QStringLiteral("a"));
        state.openNoteWindow(QStringLiteral("a"));
        state.openNoteWindow(QStringLiteral("b"));
        QCOMPARE(factory.created, 2);
        QStringList ids = state.openNoteWindowIds();
        ids.sort();
        QCOMPARE(ids, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QVERIFY(state.noteWindow(QStringLiteral("a"))->isVisible());

        state.noteWindow(QStringLiteral("a"))->close();
        QTRY_COMPARE(state.openNoteWindowIds(), QStringList{QStringLiteral("b")});
    }
};

QTEST_MAIN(TestAppState)
#include "tst_appstate.moc"
