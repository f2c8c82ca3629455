#pragma once

#include <QDialog>

class AppState;
class NoteEditor;
class QListWidget;
class QPushButton;

// Browses the snapshots of one note with a read-only preview, takes a new
// snapshot, and restores an old one after keeping the current text.
class VersionHistoryDialog : public QDialog
{
    Q_OBJECT

public:
    VersionHistoryDialog(AppState *state, const QString &noteId, QWidget *parent = nullptr);

    void reload();

    QListWidget *snapshotList() const { return m_list; }
    NoteEditor *preview() const { return m_preview; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *restoreButton() const { return m_restore; }

private:
    void onCurrentRowChanged(int row);
    void clearPreview();
    // Stores the note's current body as a snapshot; false when that failed.
    bool saveSnapshot();
    void restoreSelected();

    AppState *m_state;
    QString m_noteId;
    QListWidget *m_list;
    QPushButton *m_save;
    QPushButton *m_restore;
    NoteEditor *m_preview;
};
