#pragma once

#include <QPointer>
#include <QToolBar>

class NoteEditor;
class QAction;
class QComboBox;

// The formatting toolbar bound to one NoteEditor: its items call the editor's
// operations and their states follow the format under the caret.
class EditorToolbar : public QToolBar
{
    Q_OBJECT
public:
    explicit EditorToolbar(QWidget *parent = nullptr);

    void setEditor(NoteEditor *editor);
    NoteEditor *editor() const { return m_editor; }
    void setEditorEnabled(bool enabled);

    QAction *boldAction() const { return m_bold; }
    QAction *italicAction() const { return m_italic; }
    QAction *underlineAction() const { return m_underline; }
    QAction *strikethroughAction() const { return m_strike; }
    QAction *inlineCodeAction() const { return m_code; }
    QComboBox *headingCombo() const { return m_heading; }
    QAction *bulletListAction() const { return m_bullet; }
    QAction *numberedListAction() const { return m_numbered; }
    QAction *checkListAction() const { return m_checkList; }
    QAction *codeBlockAction() const { return m_codeBlock; }
    QAction *blockquoteAction() const { return m_blockquote; }
    QAction *alignLeftAction() const { return m_alignLeft; }
    QAction *alignCenterAction() const { return m_alignCenter; }
    QAction *alignRightAction() const { return m_alignRight; }
    QAction *insertLinkAction() const { return m_insertLink; }
    QAction *insertDividerAction() const { return m_insertDivider; }
    QAction *insertTableAction() const { return m_insertTable; }
    QAction *insertAttachmentAction() const { return m_insertAttachment; }

public slots:
    void updateFormatState(bool bold,
                           bool italic,
                           bool underline,
                           bool strike,
                           bool code,
                           int heading,
                           const QString &listType,
                           bool codeBlock,
                           bool blockquote,
                           bool inTable,
                           Qt::Alignment alignment);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Repaints the drawn icons for the current palette.
    void applyTheme();
    QAction *addItem(const QString &toolTip, bool checkable, void (NoteEditor::*call)());
    void onHeadingChosen(int index);
    void onInsertTable();

    QPointer<NoteEditor> m_editor;
    bool m_updating = false;
    QAction *m_bold = nullptr;
    QAction *m_italic = nullptr;
    QAction *m_underline = nullptr;
    QAction *m_strike = nullptr;
    QAction *m_code = nullptr;
    QComboBox *m_heading = nullptr;
    QAction *m_bullet = nullptr;
    QAction *m_numbered = nullptr;
    QAction *m_checkList = nullptr;
    QAction *m_codeBlock = nullptr;
    QAction *m_blockquote = nullptr;
    QAction *m_alignLeft = nullptr;
    QAction *m_alignCenter = nullptr;
    QAction *m_alignRight = nullptr;
    QAction *m_insertLink = nullptr;
    QAction *m_insertDivider = nullptr;
    QAction *m_insertTable = nullptr;
    QAction *m_insertAttachment = nullptr;
};
