#pragma once

#include <QFrame>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

// The bar above the editor with the note-level actions; the window handles
// its signals.
class NoteHeaderBar : public QFrame
{
    Q_OBJECT
public:
    explicit NoteHeaderBar(QWidget *parent = nullptr);

    void setNotebookName(const QString &name);
    void setNoteActive(bool active);
    void setShareVisible(bool visible);
    void setMetaText(const QString &text);
    void setFocusMode(bool focusMode);
    void setFocusToggleVisible(bool visible);
    void setIncludeInTodos(bool enabled);

    bool isNoteActive() const { return m_noteActive; }
    bool isShareVisible() const { return m_shareVisible; }
    bool isFocusMode() const { return m_focusMode; }

    // The chip's style sheet for a light or dark palette.
    static QString chipStyleSheet(bool dark);
    // Recomputes the chip's style sheet for the current palette; the window
    // calls it when the theme changes.
    void refreshChipStyle();

    QToolButton *focusToggle() const { return m_focusToggle; }
    QPushButton *notebookChip() const { return m_notebookChip; }
    QLabel *infoLabel() const { return m_infoLabel; }
    QToolButton *copyButton() const { return m_copyButton; }
    QToolButton *shareButton() const { return m_shareButton; }
    QToolButton *historyButton() const { return m_historyButton; }
    QToolButton *moreButton() const { return m_moreButton; }
    QAction *includeInTodosAction() const { return m_includeInTodos; }

signals:
    void focusToggleClicked();
    void notebookChipClicked();
    void copyAsPlainTextRequested();
    void copyAsMarkdownRequested();
    void copyAsHtmlRequested();
    void shareRequested();
    void historyRequested();
    void includeInTodosToggled(bool enabled);
    void moveToNotebookRequested();
    void exportRequested();
    void printRequested();
    void deleteRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *makeActionButton(const QString &toolTip);
    void updateEnabledStates();
    // Repaints the drawn icons for the current palette.
    void applyIcons();

    QToolButton *m_focusToggle = nullptr;
    QPushButton *m_notebookChip = nullptr;
    QLabel *m_infoLabel = nullptr;
    QToolButton *m_copyButton = nullptr;
    QToolButton *m_shareButton = nullptr;
    QToolButton *m_historyButton = nullptr;
    QToolButton *m_moreButton = nullptr;
    QMenu *m_copyMenu = nullptr;
    QMenu *m_moreMenu = nullptr;
    QAction *m_includeInTodos = nullptr;
    bool m_noteActive = false;
    bool m_shareVisible = false;
    bool m_focusMode = false;
};
