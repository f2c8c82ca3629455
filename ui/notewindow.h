#pragma once

#include <QMainWindow>
#include <QMessageBox>

#include <optional>

#include "ui/noteflows.h"

class AppState;
class EditorToolbar;
class FindBar;
class NoteEditor;
class NoteHeaderBar;
class StatusBar;
struct Notebook;

// A stand-alone window for exactly one note, with its own header bar,
// toolbar, menus and status bar. Saves reach other editors through
// AppState::noteUpdatedExternally.
class NoteWindow : public QMainWindow
{
    Q_OBJECT

public:
    NoteWindow(AppState *state, const QString &noteId, QWidget *parent = nullptr);

    QString noteId() const { return m_noteId; }
    NoteEditor *editor() const { return m_editor; }
    EditorToolbar *editorToolbar() const { return m_toolbar; }
    NoteHeaderBar *headerBar() const { return m_headerBar; }
    StatusBar *statusBarWidget() const { return m_statusBar; }
    FindBar *findBar() const { return m_findBar; }

    static QString geometryKey(const QString &noteId);

public slots:
    void loadNote();
    void showNotebook();
    void saveNote();
    void moveToTrash(bool confirm);

signals:
    void windowClosed(const QString &noteId);

protected:
    void closeEvent(QCloseEvent *event) override;

    // Hooks for everything that waits for the user, so tests can answer.
    virtual QMessageBox::StandardButton askQuestion(const QString &title, const QString &text);
    virtual QString chooseNotebook(const QList<Notebook> &notebooks, const QString &currentId);
    virtual std::optional<ExportChoice> chooseExport();
    virtual QString chooseSaveFileName(const QString &title,
                                       const QString &proposedName,
                                       const QString &filter);

private:
    void createMenus();
    void connectSignals();
    void snapshotIfChanged();
    void exportNote();
    void printNote();
    void moveWithChooser();
    void openVersionHistory();
    void insertTable();
    void updateTitle();
    QString documentName() const;

    AppState *m_state;
    QString m_noteId;
    NoteHeaderBar *m_headerBar = nullptr;
    EditorToolbar *m_toolbar = nullptr;
    NoteEditor *m_editor = nullptr;
    FindBar *m_findBar = nullptr;
    StatusBar *m_statusBar = nullptr;
    QString m_loadedContent;
    bool m_closing = false;
};
