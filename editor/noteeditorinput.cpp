// Keyboard, mouse, paste and drop handling of NoteEditor.
#include "editor/noteeditor.h"

#include "document/converters.h"
#include "document/deltadocument.h"
#include "document/richtextformats.h"
#include "editor/pastedetection.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>

static bool isListItem(const QTextBlock &block)
{
    return block.textList() != nullptr
           || block.blockFormat().marker() != QTextBlockFormat::MarkerType::NoMarker;
}

bool NoteEditor::isEditorShortcut(const QKeyEvent *event) const
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::ControlModifier) {
        static const QList<int> keys{Qt::Key_0,
                                     Qt::Key_1,
                                     Qt::Key_2,
                                     Qt::Key_3,
                                     Qt::Key_B,
                                     Qt::Key_I,
                                     Qt::Key_U,
                                     Qt::Key_QuoteLeft,
                                     Qt::Key_L,
                                     Qt::Key_W};
        return keys.contains(key);
    }
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        static const QList<int> keys{Qt::Key_7,
                                     Qt::Key_Ampersand,
                                     Qt::Key_8,
                                     Qt::Key_Asterisk,
                                     Qt::Key_9,
                                     Qt::Key_ParenLeft,
                                     Qt::Key_B,
                                     Qt::Key_X,
                                     Qt::Key_QuoteLeft,
                                     Qt::Key_AsciiTilde,
                                     Qt::Key_D,
                                     Qt::Key_K};
        return keys.contains(key);
    }
    return modifiers == Qt::AltModifier && (key == Qt::Key_Up || key == Qt::Key_Down);
}

bool NoteEditor::isWindowShortcut(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::ControlModifier)
        return key == Qt::Key_K || key == Qt::Key_T;
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return key == Qt::Key_A || key == Qt::Key_L || key == Qt::Key_E || key == Qt::Key_R;
    return false;
}

static bool isParagraphBreakKey(const QKeyEvent *event)
{
    const int key = event->key();
    return (key == Qt::Key_Return || key == Qt::Key_Enter)
           && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

void NoteEditor::keyPressEvent(QKeyEvent *event)
{
    if (isReadOnly()) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    if (!isParagraphBreakKey(event)) {
        handleKeyPress(event);
        return;
    }
    // One undo step for the break and the spacing put back after it (the
    // text edit records a list item's break as two).
    QTextCursor edit(document());
    edit.beginEditBlock();
    handleKeyPress(event);
    restyleParagraphsAtCaret();
    edit.endEditBlock();
    ensureCursorVisible();
}

// The text edit gives the paragraphs an Enter makes formats of its own (list
// items lose their margins, the line after a picture keeps its single line
// height); they get the spacing that reloading the note would give them.
void NoteEditor::restyleParagraphsAtCaret()
{
    const QTextBlock current = textCursor().block();
    for (const QTextBlock &block : {current.previous(), current, current.next()}) {
        QTextCursor cursor(block);
        // Table cells keep the plain paragraphs they are built with.
        if (block.isValid() && !cursor.currentTable())
            restyleBlock(cursor);
    }
}

// An Enter in an empty paragraph breaks it like any other: the text edit
// would instead reset its format to a bare one, swallowing the keystroke and
// dropping the paragraph's spacing. An empty heading or quotation line ends
// that style instead, the way an empty list item ends its list; code blocks
// keep their blank lines.
bool NoteEditor::breakEmptyParagraph()
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() || !cursor.block().text().isEmpty() || cursor.currentTable()
        || isListItem(cursor.block()))
        return false;
    const QTextBlockFormat format = cursor.blockFormat();
    if (format.intProperty(HeadingLevelProperty) > 0) {
        setHeading(0);
        return true;
    }
    if (format.boolProperty(BlockquoteProperty)) {
        toggleBlockquote();
        return true;
    }
    cursor.insertBlock(cursor.blockFormat(), cursor.charFormat());
    setTextCursor(cursor);
    return true;
}

void NoteEditor::handleKeyPress(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const QTextCursor cursor = textCursor();

    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers == Qt::NoModifier
        && !cursor.hasSelection() && isListItem(cursor.block())) {
        if (handleListEnter(event)) {
            event->accept();
            return;
        }
    }
    if (isParagraphBreakKey(event) && breakEmptyParagraph()) {
        event->accept();
        return;
    }
    if (key == Qt::Key_Backspace && modifiers == Qt::NoModifier && !cursor.hasSelection()) {
        if (handleListBackspace()) {
            event->accept();
            return;
        }
        if (cursor.atBlockStart() && cursor.block().textList()) {
            // The standard Backspace takes the item out of its list but leaves
            // its list kind and marker, which would still be saved as a list.
            QTextEdit::keyPressEvent(event);
            QTextCursor after = textCursor();
            const QTextBlockFormat format = after.blockFormat();
            if (!after.block().textList()
                && (format.marker() != QTextBlockFormat::MarkerType::NoMarker
                    || format.hasProperty(ListKindProperty))) {
                after.joinPreviousEditBlock();
                applyListMembership(after, QString());
                after.endEditBlock();
            }
            updateFormatState();
            return;
        }
    }
    if (cursor.currentTable()) {
        if (key == Qt::Key_Tab && modifiers == Qt::NoModifier) {
            handleTableTab(false);
            event->accept();
            return;
        }
        if (key == Qt::Key_Backtab) {
            handleTableTab(true);
            event->accept();
            return;
        }
    }
    if (modifiers == Qt::ControlModifier && handleCtrlKey(event)) {
        event->accept();
        return;
    }
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && handleCtrlShiftKey(event)) {
        event->accept();
        return;
    }
    if (modifiers == Qt::AltModifier && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        moveBlock(key == Qt::Key_Up);
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

bool NoteEditor::handleListEnter(QKeyEvent *event)
{
    QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    if (block.text().isEmpty()) {
        cursor.beginEditBlock();
        applyListMembership(cursor, QString());
        cursor.endEditBlock();
        updateFormatState();
        return true;
    }
    if (cursor.atBlockStart()) {
        QTextEdit::keyPressEvent(event);
        const QTextBlock above = textCursor().block().previous();
        if (above.isValid() && above.text().isEmpty()) {
            QTextCursor aboveCursor(above);
            aboveCursor.beginEditBlock();
            applyListMembership(aboveCursor, QString());
            aboveCursor.endEditBlock();
            setTextCursor(QTextCursor(above));
        }
        return true;
    }
    return false;
}

bool NoteEditor::handleListBackspace()
{
    QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const QTextBlock next = block.next();
    if (!cursor.atBlockStart() || !block.text().isEmpty() || !isListItem(block)
        || block != document()->firstBlock() || !next.isValid())
        return false;
    // The empty first item would otherwise never go away: pull the next
    // paragraph up into it, formats and all.
    const QTextBlockFormat nextFormat = next.blockFormat();
    const QTextCharFormat nextCharFormat = next.charFormat();
    const QString nextKind = nextFormat.stringProperty(ListKindProperty);
    cursor.beginEditBlock();
    cursor.deleteChar();
    cursor.setBlockFormat(nextFormat);
    cursor.setBlockCharFormat(nextCharFormat);
    applyListMembership(cursor, nextKind);
    cursor.endEditBlock();
    setTextCursor(cursor);
    return true;
}

bool NoteEditor::handleTableTab(bool backwards)
{
    QTextCursor cursor = textCursor();
    QTextTable *table = cursor.currentTable();
    if (!table)
        return false;
    const QTextTableCell cell = table->cellAt(cursor);
    int row = cell.row();
    int column = cell.column();
    if (!backwards) {
        if (column + 1 < table->columns()) {
            ++column;
        } else {
            column = 0;
            ++row;
            if (row >= table->rows())
                table->appendRows(1);
        }
    } else {
        if (column > 0) {
            --column;
        } else if (row > 0) {
            --row;
            column = table->columns() - 1;
        } else {
            return true;
        }
    }
    setTextCursor(table->cellAt(row, column).firstCursorPosition());
    return true;
}

bool NoteEditor::handleCtrlKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_0:
        setHeading(0);
        return true;
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
        setHeading(event->key() - Qt::Key_0);
        return true;
    case Qt::Key_B:
        toggleBold();
        return true;
    case Qt::Key_I:
        toggleItalic();
        return true;
    case Qt::Key_U:
        toggleUnderline();
        return true;
    case Qt::Key_QuoteLeft:
        toggleInlineCode();
        return true;
    case Qt::Key_L: {
        QTextCursor cursor = textCursor();
        cursor.movePosition(QTextCursor::StartOfBlock);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        return true;
    }
    case Qt::Key_W:
        deleteWordBack();
        return true;
    default:
        return false;
    }
}

bool NoteEditor::handleCtrlShiftKey(QKeyEvent *event)
{
    // Layouts report either the digit or its shifted character; the digit
    // row position is what the shortcut means.
    switch (event->key()) {
    case Qt::Key_7:
    case Qt::Key_Ampersand:
        toggleNumberedList();
        return true;
    case Qt::Key_8:
    case Qt::Key_Asterisk:
        toggleBulletList();
        return true;
    case Qt::Key_9:
    case Qt::Key_ParenLeft:
        toggleCheckList();
        return true;
    case Qt::Key_B:
        toggleBlockquote();
        return true;
    case Qt::Key_X:
        toggleStrikethrough();
        return true;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        toggleCodeBlock();
        return true;
    case Qt::Key_D:
        duplicateBlock();
        return true;
    case Qt::Key_K:
        deleteBlock();
        return true;
    default:
        return false;
    }
}

void NoteEditor::deleteWordBack()
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        cursor.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

// The inline content of one block as runs of equal format. Copying runs
// rather than a document fragment keeps list and block structure out of the
// copy: a fragment of a whole list item would bring a new list block along.
struct BlockRun
{
    QString text;
    QTextCharFormat format;
};

static QList<BlockRun> blockContent(const QTextBlock &block)
{
    QList<BlockRun> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        runs.append({it.fragment().text(), it.fragment().charFormat()});
    return runs;
}

static void insertRuns(QTextCursor &cursor, const QList<BlockRun> &runs)
{
    for (const BlockRun &run : runs)
        cursor.insertText(run.text, run.format);
}

static void replaceBlockContent(QTextDocument *document,
                                const QTextBlock &block,
                                const QList<BlockRun> &content)
{
    QTextCursor cursor(document);
    cursor.setPosition(block.position());
    cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    insertRuns(cursor, content);
}

void NoteEditor::duplicateBlock()
{
    QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const QList<BlockRun> content = blockContent(block);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertBlock(block.blockFormat(), block.charFormat());
    insertRuns(cursor, content);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void NoteEditor::deleteBlock()
{
    QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const QTextBlock next = block.next();
    cursor.beginEditBlock();
    cursor.setPosition(block.position());
    // Inside a table the next block is the next cell, which must stay.
    if (next.isValid() && !cursor.currentTable() && !QTextCursor(next).currentTable())
        cursor.setPosition(next.position(), QTextCursor::KeepAnchor);
    else
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void NoteEditor::moveBlock(bool up)
{
    const QTextCursor cursor = textCursor();
    const QTextBlock current = cursor.block();
    const QTextBlock other = up ? current.previous() : current.next();
    if (!other.isValid())
        return;
    // Lines are swapped only between ordinary paragraphs; a table cell is not
    // a line that can leave its table.
    if (cursor.currentTable() || QTextCursor(other).currentTable())
        return;
    const int offset = cursor.position() - current.position();
    const QTextBlock first = up ? other : current;
    const QTextBlock second = up ? current : other;
    const int firstNumber = first.blockNumber();

    const QList<BlockRun> firstContent = blockContent(first);
    const QList<BlockRun> secondContent = blockContent(second);
    const QTextBlockFormat firstFormat = first.blockFormat();
    const QTextBlockFormat secondFormat = second.blockFormat();
    const QTextCharFormat firstCharFormat = first.charFormat();
    const QTextCharFormat secondCharFormat = second.charFormat();

    QTextCursor edit(document());
    edit.beginEditBlock();
    // The later block first, so the earlier one's position stays valid.
    replaceBlockContent(document(), second, firstContent);
    QTextBlock newSecond = document()->findBlockByNumber(firstNumber + 1);
    QTextCursor formatCursor(newSecond);
    formatCursor.setBlockFormat(firstFormat);
    formatCursor.setBlockCharFormat(firstCharFormat);

    QTextBlock newFirst = document()->findBlockByNumber(firstNumber);
    replaceBlockContent(document(), newFirst, secondContent);
    newFirst = document()->findBlockByNumber(firstNumber);
    formatCursor = QTextCursor(newFirst);
    formatCursor.setBlockFormat(secondFormat);
    formatCursor.setBlockCharFormat(secondCharFormat);
    edit.endEditBlock();

    const QTextBlock moved = document()->findBlockByNumber(up ? firstNumber : firstNumber + 1);
    QTextCursor caret(moved);
    caret.setPosition(moved.position() + qBound(0, offset, moved.length() - 1));
    setTextCursor(caret);
}

// ---- Mouse ----

void NoteEditor::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (event->modifiers() & Qt::ControlModifier) {
            const LinkRange link = linkAt(cursorForPosition(event->position().toPoint()).position());
            if (link.found) {
                openLink(link.href);
                event->accept();
                return;
            }
        }
        if (m_clickTimer.isValid()
            && m_clickTimer.elapsed() < QApplication::styleHints()->mouseDoubleClickInterval()
            && (event->position().toPoint() - m_doubleClickPos).manhattanLength() < 4) {
            m_clickTimer.invalidate();
            QTextCursor cursor = textCursor();
            cursor.movePosition(QTextCursor::StartOfBlock);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            setTextCursor(cursor);
            event->accept();
            return;
        }
    }
    QTextEdit::mousePressEvent(event);
}

void NoteEditor::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_clickTimer.start();
        m_doubleClickPos = event->position().toPoint();
        const QString id = attachmentIdAt(event->position().toPoint());
        if (!id.isEmpty() && openAttachmentInEditor(id, false)) {
            event->accept();
            return;
        }
    }
    QTextEdit::mouseDoubleClickEvent(event);
}

void NoteEditor::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    bool hand = !attachmentIdAt(pos).isEmpty();
    if (!hand && (event->modifiers() & Qt::ControlModifier))
        hand = linkAt(cursorForPosition(pos).position()).found;
    viewport()->setCursor(hand ? Qt::PointingHandCursor : Qt::IBeamCursor);
    QTextEdit::mouseMoveEvent(event);
}

// ---- Paste and drops ----

bool NoteEditor::canInsertFromMimeData(const QMimeData *source) const
{
    if (source->hasFormat(QStringLiteral("text/markdown")))
        return true;
    return QTextEdit::canInsertFromMimeData(source);
}

void NoteEditor::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly())
        return;
    if (source->hasFormat(QStringLiteral("text/markdown"))) {
        insertDelta(
            markdownToDelta(QString::fromUtf8(source->data(QStringLiteral("text/markdown")))));
        return;
    }
    if (source->hasHtml()) {
        insertDelta(htmlToDelta(source->html()));
        return;
    }
    if (source->hasText()) {
        const QString text = source->text();
        if (looksLikeHtml(text)) {
            insertDelta(htmlToDelta(text));
            return;
        }
        if (looksLikeMarkdown(text)) {
            insertDelta(markdownToDelta(text));
            return;
        }
    }
    QTextEdit::insertFromMimeData(source);
}

void NoteEditor::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_attachmentRepository && event->mimeData()->hasUrls()) {
        const QList<QUrl> urls = event->mimeData()->urls();
        const bool anyLocal = std::any_of(urls.begin(), urls.end(), [](const QUrl &url) {
            return url.isLocalFile();
        });
        if (anyLocal) {
            event->acceptProposedAction();
            return;
        }
    }
    QTextEdit::dragEnterEvent(event);
}

void NoteEditor::dragMoveEvent(QDragMoveEvent *event)
{
    if (m_attachmentRepository && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    QTextEdit::dragMoveEvent(event);
}

void NoteEditor::dropEvent(QDropEvent *event)
{
    if (m_attachmentRepository && event->mimeData()->hasUrls() && isInsertingAllowed()) {
        setTextCursor(cursorForPosition(event->position().toPoint()));
        bool inserted = false;
        for (const QUrl &url : event->mimeData()->urls()) {
            if (url.isLocalFile() && insertAttachmentFromPath(url.toLocalFile()))
                inserted = true;
        }
        if (inserted) {
            event->acceptProposedAction();
            return;
        }
    }
    QTextEdit::dropEvent(event);
}
