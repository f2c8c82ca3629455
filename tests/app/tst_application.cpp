#include "app/application.h"
#include "app/appstate.h"
#include "app/windowfactory.h"
#include "storage/preferencesrepository.h"

#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>

// Records what start-up asks for; plain widgets stand in for the windows.
class RecordingFactory : public WindowFactory
{
public:
    ThemeManager *createThemeManager(AppState *) override { return nullptr; }
    QWidget *createMainWindow(AppState *) override
    {
        mainWindow = new QWidget;
        return mainWindow;
    }
    QWidget *createNoteWindow(AppState *, const QString &noteId) override
    {
        noteWindows.append(noteId);
        return new QWidget;
    }
    void showTodosWindow(QWidget *) override { ++todosShown; }

    QWidget *mainWindow = nullptr;
    QStringList noteWindows;
    int todosShown = 0;
};

namespace {

// Application is a QApplication, so each case builds its own from a fresh
// command line and destroys it again.
struct Launch
{
    explicit Launch(const QStringList &args)
    {
        for (const QString &arg : args)
            storage.append(arg.toLocal8Bit());
        for (QByteArray &arg : storage)
            argv.push_back(arg.data());
        argc = int(argv.size());
    }
    QList<QByteArray> storage;
    std::vector<char *> argv;
    int argc = 0;
};

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_socketDir;

    static QStringList args(std::initializer_list<const char *> extra)
    {
        QStringList list{QStringLiteral("velmora-notes")};
        for (const char *arg : extra)
            list.append(QString::fromLatin1(arg));
        return list;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The instance socket lives in the temporary folder: a private one keeps
        // a running copy of the app from answering for these launches.
        QVERIFY(m_socketDir.isValid());
        qputenv("TMPDIR", m_socketDir.path().toLocal8Bit());
    }

    void identityFontsAndIcon()
    {
        QTemporaryDir dir;
        qputenv("NOTES_DATA_DIR", dir.path().toUtf8());
        Launch launch({QStringLiteral("velmora-notes")});
        Application app(launch.argc, launch.argv.data());
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Velmora"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Notes"));
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.0.1"));
        QVERIFY(!QApplication::windowIcon().isNull());
        // Fonts are optional at build time; those embedded must register.
        if (QFile::exists(QStringLiteral(":/fonts/IBMPlexSans.ttf")))
            QVERIFY(QFontDatabase::families().contains(QStringLiteral("IBM Plex Sans")));
        if (QFile::exists(QStringLiteral(":/fonts/IBMPlexMono-Medium.ttf")))
            QVERIFY(QFontDatabase::families().contains(QStringLiteral("IBM Plex Mono")));
    }

    void noteRequestOpensOnlyThatWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<bool>("mainShown");
        QTest::newRow("plain") << args({}) << QStringList() << true;
        QTest::newRow("note") << args({"--note", "abc"}) << QStringList{QStringLiteral("abc")}
                              << false;
        QTest::newRow("note last") << args({"--note"}) << QStringList() << true;
    }

    void noteRequestOpensOnlyThatWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, opened);
        QFETCH(bool, mainShown);
        QTemporaryDir dir;
        qputenv("NOTES_DATA_DIR", dir.path().toUtf8());
        Launch launch(arguments);
        Application app(launch.argc, launch.argv.data());
        RecordingFactory factory;
        app.setWindowFactory(&factory);
        bool shown = false;
        QTimer::singleShot(0, &app, [&] {
            shown = factory.mainWindow && factory.mainWindow->isVisible();
            QCoreApplication::exit(7);
        });
        QCOMPARE(app.run(), 7);
        QCOMPARE(factory.noteWindows, opened);
        QCOMPARE(shown, mainShown);
    }

    void restoredWindowsOpenOnceInOrder()
    {
        QTemporaryDir dir;
        qputenv("NOTES_DATA_DIR", dir.path().toUtf8());
        {
            AppState seed;
            QVERIFY(seed.initialize());
            seed.preferences()->setString(QStringLiteral("restore_note_windows"),
                                          QStringLiteral(",a,,b,"));
            seed.preferences()->setBool(QStringLiteral("restore_todos_window"), true);
        }
        for (int launchNo = 0; launchNo < 2; ++launchNo) {
            Launch launch({QStringLiteral("velmora-notes")});
            Application app(launch.argc, launch.argv.data());
            RecordingFactory factory;
            app.setWindowFactory(&factory);
            QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
            QCOMPARE(app.run(), 0);
            if (launchNo == 0) {
                QCOMPARE(factory.noteWindows,
                         (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
                QCOMPARE(factory.todosShown, 1);
            } else {
                QCOMPARE(factory.noteWindows, QStringList());
                QCOMPARE(factory.todosShown, 0);
            }
        }
    }

    void unusableDataDirectoryEndsWithDatabaseError()
    {
        QTemporaryDir dir;
        // A file where the data directory should be: nothing can be created in it.
        const QString blocker = dir.path() + QStringLiteral("/blocked");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("NOTES_DATA_DIR", blocker.toUtf8());

        Launch launch({QStringLiteral("velmora-notes")});
        Application app(launch.argc, launch.argv.data());
        RecordingFactory factory;
        app.setWindowFactory(&factory);
        QString title;
        QString text;
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, &app, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
        answer.start();
        QCOMPARE(app.run(), 1);
        QCOMPARE(title, QStringLiteral("Database Error"));
        QVERIFY(text.startsWith(QStringLiteral("Failed to initialize the database.")));
        QVERIFY(text.contains(blocker));
        QVERIFY(!factory.mainWindow);
    }
};

QTEST_APPLESS_MAIN(TestApplication)
#include "tst_application.moc"
