#pragma once

// Shared by the main window, note list and note window tests: a real store
// in a temporary folder, window settings kept in that folder too, and a main
// window whose questions and file choices are answered by the test.

#include "app/appstate.h"
#include "app/windowfactory.h"
#include "storage/note.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"
#include "storage/preferencesrepository.h"
#include "ui/mainwindow.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>

#include <memory>

struct MainWinStore
{
    QTemporaryDir dir;
    std::unique_ptr<AppState> state;

    bool open(WindowFactory *factory = nullptr)
    {
        QStandardPaths::setTestModeEnabled(true);
        if (!dir.isValid())
            return false;
        qputenv("NOTES_DATA_DIR", dir.path().toUtf8());
        // Window settings live in the test's own folder, never the user's.
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("settings"));
        QSettings().clear();
        state = std::make_unique<AppState>();
        state->setWindowFactory(factory);
        state->setStoragePaths(dir.filePath("t.db"), dir.filePath("attachments"));
        return state->initialize();
    }

    Note addNote(const QString &text,
                 const QString &notebookId = QString(),
                 const QDateTime &updated = QDateTime())
    {
        Note note = Note::create(notebookId);
        QJsonArray ops;
        ops.append(QJsonObject{{"insert", text + "\n"}});
        note.body = QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
        if (updated.isValid()) {
            note.updatedAt = updated;
            note.modifiedAt = updated;
        }
        state->notes()->insert(note);
        return note;
    }

    Notebook addNotebook(const QString &name)
    {
        Notebook notebook;
        notebook.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        notebook.name = name;
        notebook.createdAt = QDateTime::currentDateTimeUtc();
        notebook.updatedAt = notebook.createdAt;
        state->notebooks()->insert(notebook);
        return notebook;
    }
};

// A main window whose user answers come from the test.
class TestMainWindow : public MainWindow
{
public:
    using MainWindow::MainWindow;

    QMessageBox::StandardButton answer = QMessageBox::Yes;
    QStringList questions;
    QString notebookNameAnswer;
    QString notebookChoice;
    std::optional<ExportChoice> exportChoice;
    QString saveFileAnswer;
    QString openFileAnswer;
    QStringList informations;
    QStringList warnings;
    int printDialogs = 0;

protected:
    QMessageBox::StandardButton askQuestion(const QString &,
                                            const QString &text,
                                            QMessageBox::StandardButton) override
    {
        questions.append(text);
        return answer;
    }
    QString askNewNotebookName() override { return notebookNameAnswer; }
    QString askRenamedNotebookName(const QString &) override { return notebookNameAnswer; }
    QString chooseNotebook(const QList<Notebook> &, const QString &) override
    {
        return notebookChoice;
    }
    std::optional<ExportChoice> chooseExport() override { return exportChoice; }
    QString chooseSaveFileName(const QString &, const QString &, const QString &) override
    {
        return saveFileAnswer;
    }
    QString chooseOpenFileName(const QString &, const QString &) override { return openFileAnswer; }
    void showInformation(const QString &, const QString &text) override
    {
        informations.append(text);
    }
    void showWarning(const QString &, const QString &text) override { warnings.append(text); }
    bool runPrintDialog(const QString &) override
    {
        ++printDialogs;
        return false;
    }
    void runPrintPreview(const QString &) override { ++printDialogs; }
};

inline QString plainBody(const QString &text)
{
    QJsonArray ops;
    ops.append(QJsonObject{{"insert", text + "\n"}});
    return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
}
