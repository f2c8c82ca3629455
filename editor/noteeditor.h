#pragma once

#include "editor/linkdialog.h"
#include "editor/tablesizedialog.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QMessageBox>
#include <QPoint>
#include <QTextEdit>

#include <functional>

class AttachmentRenderer;
class AttachmentRepository;
class DeltaDocument;
class QDialog;
class QHelpEvent;
class QImage;
class QMenu;
class QTextBlock;
class QTimer;

// A link found in the text: positions of its fragment, both inclusive.
struct LinkRange
{
    int start = -1;
    int end = -1;
    QString href;
    bool found = false;
};

// The editing widget of one note. Shows the QTextDocument of its DeltaDocument,
// reports changes (the host saves on noteModified), word counts and the format
// under the caret, and offers the formatting, table, link and attachment
// operations the toolbar, menus and its own key handling call.
class NoteEditor : public QTextEdit
{
    Q_OBJECT
public:
    // Makes the window that previews an image attachment. The widgets layer
    // provides it; without one, images open like any other attachment.
    using ImageViewerFactory
        = std::function<QDialog *(const QImage &image, const QString &caption, QWidget *parent)>;

    explicit NoteEditor(QWidget *parent = nullptr);
    ~NoteEditor() override;

    static void setImageViewerFactory(ImageViewerFactory factory);

    void setAttachmentRepository(AttachmentRepository *repository);
    AttachmentRepository *attachmentRepository() const { return m_attachmentRepository; }
    DeltaDocument *deltaDocument() const { return m_deltaDocument; }

    void loadNote(const QString &noteId, const QString &json, bool force = false);
    void clearNote();
    QString noteJson() const;
    QString currentNoteId() const { return m_noteId; }
    bool isSaved() const { return m_saved; }
    // Rebuilds the shown note's formats for the current palette, keeping the
    // caret, the scroll position and any pending save.
    void refreshThemeColours();
    int wordCount() const;
    void insertDelta(const QJsonArray &ops);

    // Tables
    static TableSizeChoice askTableSize(QWidget *parent);

    // Links
    LinkRange linkAt(int position) const;

    // Attachments
    bool insertAttachmentFromPath(const QString &path);
    bool openAttachment(const QString &id, const QString &fileName);
    QString attachmentIdAt(const QPoint &viewportPos) const;

    // Size text of the attachment tooltip ("0.5 KB", "3.0 MB").
    static QString attachmentSizeText(qint64 bytes);

public slots:
    void refreshAttachments();

    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    void toggleStrikethrough();
    void toggleInlineCode();

    void setHeading(int level);
    void toggleBulletList();
    void toggleNumberedList();
    void toggleCheckList();
    void toggleCodeBlock();
    void toggleBlockquote();
    void setBlockAlignment(Qt::Alignment alignment);
    void insertDivider();

    void insertTable(int rows, int columns, bool headerRow);
    void insertRowAbove();
    void insertRowBelow();
    void insertColumnBefore();
    void insertColumnAfter();
    void deleteRow();
    void deleteColumn();
    void deleteTable();

    void insertLink();
    void editLink(const LinkRange &range);
    void removeLink(const LinkRange &range);
    void openLink(const QString &url);

    void insertAttachment();
    void saveAttachmentAs(const QString &id, const QString &fileName);
    void copyAttachmentFile(const QString &id, const QString &fileName);
    void removeAttachment(const QString &id);

signals:
    void noteModified();
    void savedStateChanged(bool saved);
    void wordCountChanged(int count);
    void cursorFormatChanged();
    void formatStateChanged(bool bold,
                            bool italic,
                            bool underline,
                            bool strike,
                            bool code,
                            int heading,
                            QString listType,
                            bool codeBlock,
                            bool blockquote,
                            bool inTable,
                            Qt::Alignment alignment);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // Everything that would block on the user goes through these, so a host
    // or a test can answer without a modal window.
    virtual QMessageBox::StandardButton askQuestion(const QString &title,
                                                    const QString &text,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton);
    virtual LinkChoice askLink(const QString &title, const QString &text, const QString &url);
    virtual QString chooseOpenFileName(const QString &title, const QString &filter);
    virtual QString chooseSaveFileName(const QString &title, const QString &start);
    virtual bool openUrlInDesktop(const QUrl &url);
    // False when no image viewer is available.
    virtual bool showImagePreview(const QImage &image, const QString &caption);

    // The context menu for a point of the viewport, or null for the standard one.
    QMenu *createEditorContextMenu(const QPoint &viewportPos);

private:
    static const ImageViewerFactory &imageViewerFactoryRef();
    void onContentsChanged();
    void onAutosaveTimeout();
    void updateFormatState();
    void markChanged();

    QTextCharFormat formatForState() const;
    void applyBlockCharFormat(QTextCursor &cursor,
                              const QTextBlock &block,
                              const QTextCharFormat &format);
    void toggleBlockProperty(int property);
    void toggleList(const QString &kind);
    void mergeInline(const QTextCharFormat &format);
    // Inserts a row or column at the caret's cell plus `offset`.
    void insertTableLine(bool column, int offset);
    void removeTableLine(bool column);
    // Runs the link dialog for the cursor's selection and applies the answer.
    void askAndApplyLink(QTextCursor cursor, const QString &title, const QString &url);

    bool isEditorShortcut(const QKeyEvent *event) const;
    static bool isWindowShortcut(const QKeyEvent *event);
    void handleKeyPress(QKeyEvent *event);
    void restyleParagraphsAtCaret();
    bool breakEmptyParagraph();
    bool handleListEnter(QKeyEvent *event);
    bool handleListBackspace();
    bool handleTableTab(bool backwards);
    bool handleCtrlKey(QKeyEvent *event);
    bool handleCtrlShiftKey(QKeyEvent *event);
    void moveBlock(bool up);
    void duplicateBlock();
    void deleteBlock();
    void deleteWordBack();

    bool openAttachmentInEditor(const QString &id, bool fromMenu);
    QString writeTemporaryCopy(const QString &id,
                               const QString &fileName,
                               const QByteArray &bytes,
                               const char *operation) const;
    QTextCharFormat charFormatAt(int position) const;
    bool handleToolTip(QHelpEvent *event, const QPoint &viewportPos);
    bool isInsertingAllowed() const;

    DeltaDocument *m_deltaDocument = nullptr;
    AttachmentRenderer *m_attachmentRenderer = nullptr;
    AttachmentRepository *m_attachmentRepository = nullptr;
    QString m_noteId;
    bool m_loading = false;
    bool m_saved = true;
    QTimer *m_autosaveTimer = nullptr;
    QElapsedTimer m_clickTimer;
    QPoint m_doubleClickPos;
};
