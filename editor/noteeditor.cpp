#include "editor/noteeditor.h"

#include "document/appearance.h"
#include "document/attachmentrenderer.h"
#include "document/deltadocument.h"
#include "document/richtextformats.h"
#include "storage/attachmentrepository.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QTimer>

namespace {
// Word counts are cached per block in the block's user state (count + 1;
// -1, Qt's default, means unknown) so a keystroke recounts only its block.
int countWords(const QString &text)
{
    int words = 0;
    bool inWord = false;
    for (const QChar ch : text) {
        if (ch.isSpace()) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    }
    return words;
}

NoteEditor::ImageViewerFactory &imageViewerFactory()
{
    static NoteEditor::ImageViewerFactory factory;
    return factory;
}
} // namespace

const NoteEditor::ImageViewerFactory &NoteEditor::imageViewerFactoryRef()
{
    return imageViewerFactory();
}

NoteEditor::NoteEditor(QWidget *parent)
    : QTextEdit(parent)
{
    m_deltaDocument = new DeltaDocument(this);
    setDocument(m_deltaDocument->textDocument());
    setAcceptRichText(true);
    setTabChangesFocus(false);
    viewport()->setMouseTracking(true);
    QFont widgetFont = font();
    widgetFont.setPixelSize(editorBodyPixelSize() < 1 ? 16 : editorBodyPixelSize());
    setFont(widgetFont);

    m_autosaveTimer = new QTimer(this);
    m_autosaveTimer->setSingleShot(true);
    m_autosaveTimer->setInterval(1000);
    connect(m_autosaveTimer, &QTimer::timeout, this, &NoteEditor::onAutosaveTimeout);

    connect(m_deltaDocument, &DeltaDocument::contentsChanged, this, &NoteEditor::onContentsChanged);
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        // Forget the cached word counts of the blocks the edit touched.
        QTextBlock block = document()->findBlock(from);
        const QTextBlock last = document()->findBlock(from + added);
        while (block.isValid()) {
            block.setUserState(-1);
            if (block == last)
                break;
            block = block.next();
        }
    });
    connect(this, &QTextEdit::cursorPositionChanged, this, &NoteEditor::updateFormatState);

    setPlaceholderText(tr("Select a note or press Ctrl+N to create one"));
    setReadOnly(true);
    qApp->installEventFilter(this);
}

bool NoteEditor::eventFilter(QObject *watched, QEvent *event)
{
    // Code blocks, inline code and table headers take their colours from the
    // theme when the note is built; after a theme switch they would keep the
    // old ones and become unreadable.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        refreshThemeColours();
    return QTextEdit::eventFilter(watched, event);
}

void NoteEditor::refreshThemeColours()
{
    if (m_noteId.isEmpty())
        return;
    const QString json = noteJson();
    const int position = textCursor().position();
    const int anchor = textCursor().anchor();
    const int scroll = verticalScrollBar()->value();
    m_loading = true;
    setUpdatesEnabled(false);
    if (m_attachmentRenderer)
        m_attachmentRenderer->clearCache();
    m_deltaDocument->loadJson(json);
    QTextCursor cursor(document());
    const int last = qMax(0, document()->characterCount() - 1);
    cursor.setPosition(qBound(0, anchor, last));
    cursor.setPosition(qBound(0, position, last), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    m_loading = false;
    setUpdatesEnabled(true);
    verticalScrollBar()->setValue(scroll);
}

NoteEditor::~NoteEditor() = default;

void NoteEditor::setImageViewerFactory(ImageViewerFactory factory)
{
    imageViewerFactory() = std::move(factory);
}

void NoteEditor::setAttachmentRepository(AttachmentRepository *repository)
{
    if (!repository)
        return;
    m_attachmentRepository = repository;
    if (!m_attachmentRenderer) {
        m_attachmentRenderer = new AttachmentRenderer(repository, this);
        document()->documentLayout()->registerHandler(AttachmentObject, m_attachmentRenderer);
    }
    setAcceptDrops(true);
}

void NoteEditor::loadNote(const QString &noteId, const QString &json, bool force)
{
    if (!force && noteId == m_noteId && !noteId.isEmpty() && m_saved && noteJson() == json)
        return;

    m_loading = true;
    m_noteId = noteId;
    m_autosaveTimer->stop();
    setUpdatesEnabled(false);
    if (m_attachmentRenderer)
        m_attachmentRenderer->clearCache();
    m_deltaDocument->loadJson(json);
    setReadOnly(false);
    setPlaceholderText(tr("Start typing..."));
    m_loading = false;
    m_saved = true;
    moveCursor(QTextCursor::Start);
    // Making the caret visible in a viewport that is not laid out yet scrolls
    // part of the first line away; a freshly loaded note starts at its top.
    verticalScrollBar()->setValue(0);
    setUpdatesEnabled(true);

    emit savedStateChanged(true);
    emit wordCountChanged(wordCount());
    updateFormatState();
}

void NoteEditor::clearNote()
{
    m_loading = true;
    m_noteId.clear();
    m_autosaveTimer->stop();
    m_deltaDocument->loadJson(QString());
    setReadOnly(true);
    setPlaceholderText(tr("Select a note or press Ctrl+N to create one"));
    m_loading = false;
    m_saved = true;
    emit savedStateChanged(true);
    emit wordCountChanged(0);
}

QString NoteEditor::noteJson() const
{
    return m_deltaDocument->toJson();
}

int NoteEditor::wordCount() const
{
    int total = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        int words = block.userState() - 1;
        if (words < 0) {
            words = countWords(block.text());
            QTextBlock writable = block;
            writable.setUserState(words + 1);
        }
        total += words;
    }
    return total;
}

void NoteEditor::onContentsChanged()
{
    if (m_loading || m_noteId.isEmpty())
        return;
    markChanged();
}

void NoteEditor::markChanged()
{
    m_saved = false;
    emit savedStateChanged(false);
    m_autosaveTimer->start();
    emit wordCountChanged(wordCount());
}

void NoteEditor::onAutosaveTimeout()
{
    emit noteModified();
    m_saved = true;
    emit savedStateChanged(true);
}

void NoteEditor::refreshAttachments()
{
    if (m_attachmentRenderer)
        m_attachmentRenderer->clearCache();
    document()->markContentsDirty(0, document()->characterCount());
    viewport()->update();
}

void NoteEditor::insertDelta(const QJsonArray &ops)
{
    if (ops.isEmpty())
        return;
    DeltaDocument scratch;
    scratch.textDocument()->setDefaultFont(document()->defaultFont());
    scratch.setDelta(ops);

    QTextCursor selection(scratch.textDocument());
    selection.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    // Pasted content never brings an extra empty paragraph along.
    while (selection.selectionEnd() > selection.selectionStart()
           && scratch.textDocument()->characterAt(selection.selectionEnd() - 1)
                  == QChar::ParagraphSeparator) {
        const int start = selection.selectionStart();
        const int end = selection.selectionEnd() - 1;
        selection.setPosition(start);
        selection.setPosition(end, QTextCursor::KeepAnchor);
    }
    QTextDocumentFragment fragment(selection);

    QTextCursor cursor = textCursor();
    // Tables cannot nest: content with a table lands in a cell as its text.
    if (cursor.currentTable() && !scratch.textDocument()->rootFrame()->childFrames().isEmpty()) {
        QString text = fragment.toPlainText();
        while (text.startsWith(QLatin1Char('\n')))
            text.remove(0, 1);
        while (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        fragment = QTextDocumentFragment::fromPlainText(text);
    }
    cursor.beginEditBlock();
    cursor.insertFragment(fragment);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

// ---- Format state ----

QTextCharFormat NoteEditor::formatForState() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return cursor.charFormat();
    // The first selected character decides, as word processors do.
    QTextCursor probe(document());
    probe.setPosition(cursor.selectionStart() + 1);
    return probe.charFormat();
}

static bool isBoldFormat(const QTextCharFormat &format)
{
    const int weight = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() : 400;
    return weight >= 700;
}

static bool isUnderlinedFormat(const QTextCharFormat &format)
{
    return format.fontUnderline() && !format.isAnchor();
}

void NoteEditor::updateFormatState()
{
    const QTextCharFormat format = formatForState();
    const QTextCursor cursor = textCursor();
    const QTextBlockFormat block = cursor.blockFormat();
    emit formatStateChanged(isBoldFormat(format),
                            format.fontItalic(),
                            isUnderlinedFormat(format),
                            format.fontStrikeOut(),
                            format.fontFixedPitch(),
                            block.intProperty(HeadingLevelProperty),
                            block.stringProperty(ListKindProperty),
                            block.hasProperty(CodeBlockProperty),
                            block.boolProperty(BlockquoteProperty),
                            cursor.currentTable() != nullptr,
                            block.alignment());
    emit cursorFormatChanged();
}

// ---- Inline toggles ----

void NoteEditor::mergeInline(const QTextCharFormat &format)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        cursor.mergeCharFormat(format);
    else
        mergeCurrentCharFormat(format);
    updateFormatState();
}

void NoteEditor::toggleBold()
{
    QTextCharFormat format;
    format.setFontWeight(isBoldFormat(formatForState()) ? 400 : 700);
    mergeInline(format);
}

void NoteEditor::toggleItalic()
{
    QTextCharFormat format;
    format.setFontItalic(!formatForState().fontItalic());
    mergeInline(format);
}

void NoteEditor::toggleUnderline()
{
    QTextCharFormat format;
    format.setUnderlineStyle(isUnderlinedFormat(formatForState())
                                 ? QTextCharFormat::NoUnderline
                                 : QTextCharFormat::SingleUnderline);
    mergeInline(format);
}

void NoteEditor::toggleStrikethrough()
{
    QTextCharFormat format;
    format.setFontStrikeOut(!formatForState().fontStrikeOut());
    mergeInline(format);
}

// The format without the inline-code look: body font, no code colours.
static QTextCharFormat withoutInlineCode(QTextCharFormat format)
{
    format.clearProperty(QTextFormat::FontFamilies);
    format.clearProperty(QTextFormat::FontFixedPitch);
    format.clearProperty(QTextFormat::FontStyleHint);
    format.clearProperty(QTextFormat::FontStyleStrategy);
    format.merge(bodyCharFormat());
    format.setBackground(Qt::transparent);
    format.clearForeground();
    return format;
}

void NoteEditor::toggleInlineCode()
{
    if (!formatForState().fontFixedPitch()) {
        mergeInline(inlineCodeFormat());
        return;
    }
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        setCurrentCharFormat(withoutInlineCode(cursor.charFormat()));
        updateFormatState();
        return;
    }
    // Merging cannot remove a property, so each run of the selection is
    // rewritten without the code font and colours.
    cursor.beginEditBlock();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    struct Run
    {
        int from;
        int to;
        QTextCharFormat format;
    };
    QList<Run> runs;
    for (QTextBlock block = document()->findBlock(start);
         block.isValid() && block.position() <= end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = qMax(start, fragment.position());
            const int to = qMin(end, fragment.position() + fragment.length());
            if (from >= to || fragment.charFormat().objectType() != QTextFormat::NoObject)
                continue;
            runs.append({from, to, withoutInlineCode(fragment.charFormat())});
        }
    }
    for (const Run &run : std::as_const(runs)) {
        QTextCursor runCursor(document());
        runCursor.setPosition(run.from);
        runCursor.setPosition(run.to, QTextCursor::KeepAnchor);
        runCursor.setCharFormat(run.format);
    }
    cursor.endEditBlock();
    updateFormatState();
}

// ---- Block operations ----

// Sets `format` on every run of the block except embedded objects and the
// link part of links, which are content rather than styling.
void NoteEditor::applyBlockCharFormat(QTextCursor &cursor,
                                      const QTextBlock &block,
                                      const QTextCharFormat &format)
{
    cursor.setBlockCharFormat(format);
    struct Run
    {
        int from;
        int to;
        QTextCharFormat format;
    };
    QList<Run> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat old = fragment.charFormat();
        // Text typed right after an object inherits its embed properties but
        // is text all the same.
        const bool objectCharacters = fragment.text().count(QChar::ObjectReplacementCharacter)
                                      == fragment.text().size();
        if (old.objectType() != QTextFormat::NoObject
            || (old.hasProperty(EmbedKindProperty) && objectCharacters))
            continue;
        QTextCharFormat replacement = format;
        if (old.isAnchor() && !old.anchorHref().isEmpty()) {
            replacement.merge(linkFormat(old.anchorHref()));
        }
        runs.append({fragment.position(), fragment.position() + fragment.length(), replacement});
    }
    for (const Run &run : runs) {
        QTextCursor runCursor(document());
        runCursor.setPosition(run.from);
        runCursor.setPosition(run.to, QTextCursor::KeepAnchor);
        runCursor.setCharFormat(run.format);
    }
}

template<typename Fn>
static void forEachSelectedBlock(QTextDocument *document, const QTextCursor &selection, Fn fn)
{
    const QTextBlock first = document->findBlock(selection.selectionStart());
    const QTextBlock last = document->findBlock(selection.selectionEnd());
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        fn(cursor, block);
        if (block == last)
            break;
    }
}

void NoteEditor::setHeading(int level)
{
    if (level < 0 || level > 6)
        return;
    QTextCursor edit = textCursor();
    edit.beginEditBlock();
    forEachSelectedBlock(document(), edit, [&](QTextCursor &cursor, const QTextBlock &block) {
        QTextBlockFormat format = block.blockFormat();
        QTextCharFormat charFormat;
        if (level > 0) {
            format.clearProperty(CodeBlockProperty);
            format.clearProperty(BlockquoteProperty);
            format.setProperty(HeadingLevelProperty, level);
            applyBlockStyle(format);
            charFormat = blockCharFormat(format);
        } else {
            format.clearProperty(HeadingLevelProperty);
            applyBlockStyle(format);
            charFormat = bodyCharFormat();
        }
        cursor.setBlockFormat(format);
        // A picture line keeps its single line height, as when loaded.
        restyleBlock(cursor);
        applyBlockCharFormat(cursor, block, charFormat);
    });
    edit.endEditBlock();
    updateFormatState();
}

void NoteEditor::toggleBlockProperty(int property)
{
    QTextCursor edit = textCursor();
    const QTextBlockFormat first = document()->findBlock(edit.selectionStart()).blockFormat();
    // A code block tagged with a language is still a code block: toggling it
    // takes it away rather than turning the tag into `true`.
    const bool isOn = property == CodeBlockProperty ? first.hasProperty(property)
                                                    : first.boolProperty(property);
    edit.beginEditBlock();
    forEachSelectedBlock(document(), edit, [&](QTextCursor &cursor, const QTextBlock &block) {
        QTextBlockFormat format = block.blockFormat();
        if (isOn) {
            format.clearProperty(property);
        } else {
            if (block.textList())
                applyListMembership(cursor, QString());
            format = cursor.blockFormat();
            format.clearProperty(HeadingLevelProperty);
            format.clearProperty(ListKindProperty);
            format.clearProperty(CodeBlockProperty);
            format.clearProperty(BlockquoteProperty);
            format.setProperty(property, true);
        }
        applyBlockStyle(format);
        cursor.setBlockFormat(format);
        restyleBlock(cursor);
        applyBlockCharFormat(cursor, block, blockCharFormat(format));
    });
    edit.endEditBlock();
    updateFormatState();
}

void NoteEditor::toggleCodeBlock()
{
    toggleBlockProperty(CodeBlockProperty);
}

void NoteEditor::toggleBlockquote()
{
    toggleBlockProperty(BlockquoteProperty);
}

static bool isCheckKind(const QString &kind)
{
    return kind == QLatin1String("checked") || kind == QLatin1String("unchecked");
}

void NoteEditor::toggleList(const QString &kind)
{
    QTextCursor edit = textCursor();
    const QString current = document()
                                ->findBlock(edit.selectionStart())
                                .blockFormat()
                                .stringProperty(ListKindProperty);
    // A ticked item is as much a check-list item as an unticked one.
    const bool isOn = current == kind || (isCheckKind(kind) && isCheckKind(current));
    edit.beginEditBlock();
    forEachSelectedBlock(document(), edit, [&](QTextCursor &cursor, const QTextBlock &) {
        applyListMembership(cursor, isOn ? QString() : kind);
    });
    edit.endEditBlock();
    updateFormatState();
}

void NoteEditor::toggleBulletList()
{
    toggleList(QStringLiteral("bullet"));
}

void NoteEditor::toggleNumberedList()
{
    toggleList(QStringLiteral("ordered"));
}

void NoteEditor::toggleCheckList()
{
    toggleList(QStringLiteral("unchecked"));
}

void NoteEditor::setBlockAlignment(Qt::Alignment alignment)
{
    QTextCursor edit = textCursor();
    edit.beginEditBlock();
    forEachSelectedBlock(document(), edit, [&](QTextCursor &cursor, const QTextBlock &) {
        QTextBlockFormat format;
        format.setAlignment(alignment & Qt::AlignHorizontal_Mask);
        cursor.mergeBlockFormat(format);
    });
    edit.endEditBlock();
    updateFormatState();
}

void NoteEditor::insertDivider()
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::EndOfBlock);
    // A rule stands on a plain line of its own, never inside a list or heading.
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    restyleBlock(cursor);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter),
                      embedCharFormat(dividerEmbedKind(), QStringLiteral("hr")));
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    restyleBlock(cursor);
    cursor.endEditBlock();
    setTextCursor(cursor);
    updateFormatState();
}

bool NoteEditor::isInsertingAllowed() const
{
    return m_attachmentRepository && !m_noteId.isEmpty();
}
