#include "ui/importdialog.h"

#include "interchange/jeximport.h"
#include "interchange/nsximport.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWizardPage>

ImportDialog::ImportDialog(AppState *state, QWidget *parent)
    : QWizard(parent)
    , m_state(state)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Import Notes"));
    setMinimumWidth(450);
    m_chooser = [](QWidget *parentWidget, const QString &title, const QString &filter) {
        return QFileDialog::getOpenFileName(parentWidget, title, QString(), filter);
    };

    auto *formatPage = new QWizardPage;
    formatPage->setTitle(tr("Select Format"));
    formatPage->setSubTitle(tr("Choose the format of the file you want to import."));
    m_joplin = new QRadioButton(tr("Joplin Export (.jex)"), formatPage);
    m_noteStation = new QRadioButton(tr("Synology NoteStation (.nsx)"), formatPage);
    m_joplin->setChecked(true);
    auto *formatLayout = new QVBoxLayout(formatPage);
    formatLayout->addWidget(m_joplin);
    formatLayout->addWidget(m_noteStation);
    formatLayout->addStretch(1);
    setPage(FormatPage, formatPage);

    auto *filePage = new QWizardPage;
    filePage->setTitle(tr("Select File"));
    filePage->setSubTitle(tr("Choose the file to import."));
    m_fileLabel = new QLabel(tr("No file selected"), filePage);
    m_fileLabel->setWordWrap(true);
    auto *browseButton = new QPushButton(tr("Browse..."), filePage);
    connect(browseButton, &QPushButton::clicked, this, &ImportDialog::browse);
    auto *fileLayout = new QVBoxLayout(filePage);
    fileLayout->addWidget(m_fileLabel);
    fileLayout->addWidget(browseButton, 0, Qt::AlignLeft);
    fileLayout->addStretch(1);
    setPage(FilePage, filePage);

    auto *importPage = new QWizardPage;
    importPage->setTitle(tr("Importing..."));
    importPage->setSubTitle(tr("Please wait while your notes are imported."));
    importPage->setCommitPage(true);
    m_progress = new QProgressBar(importPage);
    m_progress->setRange(0, 0);
    m_status = new QLabel(tr("Starting import..."), importPage);
    m_status->setWordWrap(true);
    auto *importLayout = new QVBoxLayout(importPage);
    importLayout->addWidget(m_progress);
    importLayout->addWidget(m_status);
    importLayout->addStretch(1);
    setPage(ImportPage, importPage);

    auto *resultPage = new QWizardPage;
    resultPage->setTitle(tr("Import Complete"));
    m_result = new QLabel(resultPage);
    m_result->setWordWrap(true);
    auto *resultLayout = new QVBoxLayout(resultPage);
    resultLayout->addWidget(m_result);
    resultLayout->addStretch(1);
    setPage(ResultPage, resultPage);
}

void ImportDialog::setFileChooser(FileChooser chooser)
{
    m_chooser = std::move(chooser);
}

void ImportDialog::setSelectedFile(const QString &path)
{
    m_path = path;
    m_fileLabel->setText(path.isEmpty() ? tr("No file selected") : path);
}

QString ImportDialog::statusText() const
{
    return m_status->text();
}

QString ImportDialog::resultText() const
{
    return m_result->text();
}

void ImportDialog::browse()
{
    const QString filter = m_joplin->isChecked() ? tr("Joplin Export (*.jex);;All Files (*)")
                                                 : tr("NoteStation Export (*.nsx);;All Files (*)");
    const QString path = m_chooser ? m_chooser(this, tr("Select Import File"), filter) : QString();
    if (!path.isEmpty())
        setSelectedFile(path);
}

void ImportDialog::initializePage(int id)
{
    QWizard::initializePage(id);
    if (id == ImportPage) {
        // Queued, so that the page is on screen before the import starts.
        QMetaObject::invokeMethod(this, &ImportDialog::runImport, Qt::QueuedConnection);
    }
}

bool ImportDialog::validateCurrentPage()
{
    if (currentId() == ImportPage && !m_finished)
        return false;
    return QWizard::validateCurrentPage();
}

void ImportDialog::reject()
{
    if (!m_running)
        QWizard::reject();
}

void ImportDialog::runImport()
{
    if (m_running)
        return;
    if (m_path.isEmpty()) {
        m_status->setText(tr("No file was selected."));
        if (QAbstractButton *commit = button(QWizard::CommitButton))
            commit->setEnabled(false);
        return;
    }
    m_running = true;
    if (QAbstractButton *commit = button(QWizard::CommitButton))
        commit->setEnabled(false);
    m_status->setText(tr("Starting import of %1...").arg(m_path));
    const ImportProgress progress = [this](int current, int total, const QString &text) {
        reportProgress(current, total, text);
    };
    const ImportResult result = m_joplin->isChecked() ? importJex(m_path, m_state, progress)
                                                      : importNsx(m_path, m_state, progress);
    m_running = false;

    m_result->setText(formatResult(result));
    m_finished = true;
    if (QAbstractButton *commit = button(QWizard::CommitButton))
        commit->setEnabled(true);
    if (currentId() == ImportPage)
        next();
}

void ImportDialog::reportProgress(int current, int total, const QString &text)
{
    if (total >= 1) {
        m_progress->setRange(0, total);
        m_progress->setValue(current);
    }
    m_status->setText(text);
    // The import runs on this thread; let the page repaint without letting
    // the user act on a half-finished wizard.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString ImportDialog::formatResult(const ImportResult &result)
{
    QString text = tr("Imported: %1 notes").arg(result.imported);
    if (result.attachments > 0)
        text += tr("\nAttachments: %1").arg(result.attachments);
    if (result.skipped > 0)
        text += tr("\nSkipped: %1").arg(result.skipped);
    if (result.errors > 0)
        text += tr("\nErrors: %1").arg(result.errors);
    // A failed import says why, not only that it failed.
    if (!result.error.isEmpty())
        text += QStringLiteral("\n") + result.error;
    return text;
}
