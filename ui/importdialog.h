#pragma once

#include "interchange/importresult.h"

#include <QWizard>

#include <functional>

class AppState;
class QLabel;
class QProgressBar;
class QRadioButton;

// The import wizard: format, file, the import itself with progress, and
// the result.
class ImportDialog : public QWizard
{
    Q_OBJECT

public:
    enum PageId { FormatPage = 0, FilePage = 1, ImportPage = 2, ResultPage = 3 };

    // Asks for the file to import: (parent, title, filter) -> path or empty.
    using FileChooser = std::function<QString(QWidget *, const QString &, const QString &)>;

    explicit ImportDialog(AppState *state, QWidget *parent = nullptr);

    // Replaces the file dialog (tests, scripted use).
    void setFileChooser(FileChooser chooser);
    void setSelectedFile(const QString &path);
    QString selectedFile() const { return m_path; }

    QString statusText() const;
    QString resultText() const;

    // "Imported: %1 notes" and the counts that are above zero.
    static QString formatResult(const ImportResult &result);

    // Closing is refused while an import runs.
    void reject() override;

protected:
    void initializePage(int id) override;
    // The import page leads on only once an import has finished.
    bool validateCurrentPage() override;

private:
    void browse();
    void runImport();
    void reportProgress(int current, int total, const QString &text);

    AppState *m_state;
    FileChooser m_chooser;
    QString m_path;
    QRadioButton *m_joplin;
    QRadioButton *m_noteStation;
    QLabel *m_fileLabel;
    QProgressBar *m_progress;
    QLabel *m_status;
    QLabel *m_result;
    bool m_running = false;
    bool m_finished = false;
};
