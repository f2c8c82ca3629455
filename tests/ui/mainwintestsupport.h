#pragma once

// Shared by the main window, note list and note window tests: a main window
// whose questions and file choices are answered by the test.

#include "storage/preferencesrepository.h"
#include "ui/mainwindow.h"
#include "uitestsupport.h"

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
