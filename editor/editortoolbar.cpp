#include "editor/editortoolbar.h"

#include "editor/editoricons.h"
#include "editor/noteeditor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>

EditorToolbar::EditorToolbar(QWidget *parent)
    : QToolBar(parent)
{
    setMovable(false);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);

    m_bold = addItem(tr("Bold (Ctrl+B)"), true, &NoteEditor::toggleBold);
    m_italic = addItem(tr("Italic (Ctrl+I)"), true, &NoteEditor::toggleItalic);
    m_underline = addItem(tr("Underline (Ctrl+U)"), true, &NoteEditor::toggleUnderline);
    m_strike = addItem(tr("Strikethrough (Ctrl+Shift+X)"), true, &NoteEditor::toggleStrikethrough);
    m_code = addItem(tr("Inline Code (Ctrl+`)"), true, &NoteEditor::toggleInlineCode);
    addSeparator();

    m_heading = new QComboBox(this);
    m_heading->addItem(tr("Normal"), 0);
    for (int level = 1; level <= 6; ++level)
        m_heading->addItem(tr("Heading %1").arg(level), level);
    m_heading->setToolTip(tr("Heading Level"));
    m_heading->setFocusPolicy(Qt::NoFocus);
    addWidget(m_heading);
    connect(m_heading, &QComboBox::currentIndexChanged, this, &EditorToolbar::onHeadingChosen);
    addSeparator();

    m_bullet = addItem(tr("Bullet List (Ctrl+Shift+8)"), true, &NoteEditor::toggleBulletList);
    m_numbered = addItem(tr("Numbered List (Ctrl+Shift+7)"), true, &NoteEditor::toggleNumberedList);
    m_checkList = addItem(tr("Checkbox List (Ctrl+Shift+9)"), true, &NoteEditor::toggleCheckList);
    addSeparator();

    m_codeBlock = addItem(tr("Code Block (Ctrl+Shift+`)"), true, &NoteEditor::toggleCodeBlock);
    m_blockquote = addItem(tr("Blockquote (Ctrl+Shift+B)"), true, &NoteEditor::toggleBlockquote);
    addSeparator();

    m_alignLeft = addItem(tr("Align Left (Ctrl+Shift+L)"), true, nullptr);
    m_alignCenter = addItem(tr("Align Center (Ctrl+Shift+E)"), true, nullptr);
    m_alignRight = addItem(tr("Align Right (Ctrl+Shift+R)"), true, nullptr);
    const std::pair<QAction *, Qt::Alignment> aligns[] = {{m_alignLeft, Qt::AlignLeft},
                                                          {m_alignCenter, Qt::AlignHCenter},
                                                          {m_alignRight, Qt::AlignRight}};
    for (const auto &[action, alignment] : aligns) {
        const Qt::Alignment a = alignment;
        connect(action, &QAction::triggered, this, [this, a] {
            if (m_editor)
                m_editor->setBlockAlignment(a);
        });
    }
    addSeparator();

    m_insertLink = addItem(tr("Insert Link (Ctrl+K)"), false, &NoteEditor::insertLink);
    m_insertDivider = addItem(tr("Insert Divider"), false, &NoteEditor::insertDivider);
    m_insertTable = addItem(tr("Insert Table (Ctrl+T)"), false, nullptr);
    connect(m_insertTable, &QAction::triggered, this, &EditorToolbar::onInsertTable);
    m_insertAttachment = addItem(tr("Insert Attachment (Ctrl+Shift+A)"),
                                 false,
                                 &NoteEditor::insertAttachment);

    applyTheme();
    qApp->installEventFilter(this);
    setEnabled(false);
    hide();
}

void EditorToolbar::applyTheme()
{
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    auto glyph = [&](const QString &text,
                     int px,
                     bool italic = false,
                     bool underline = false,
                     bool strike = false,
                     bool bold = true) {
        GlyphStyle style;
        style.pixelSize = px;
        style.bold = bold;
        style.italic = italic;
        style.underline = underline;
        style.strike = strike;
        return glyphIcon(text, style, ink);
    };
    m_bold->setIcon(glyph(QStringLiteral("B"), 13));
    m_italic->setIcon(glyph(QStringLiteral("I"), 13, true));
    m_underline->setIcon(glyph(QStringLiteral("U"), 13, false, true));
    m_strike->setIcon(glyph(QStringLiteral("S"), 13, false, false, true));
    m_code->setIcon(glyph(QStringLiteral("<>"), 10));
    m_bullet->setIcon(glyph(QStringLiteral("\u2022"), 18, false, false, false, false));
    m_numbered->setIcon(glyph(QStringLiteral("1."), 12, false, false, false, false));
    m_checkList->setIcon(checkBoxIcon(ink));
    m_codeBlock->setIcon(glyph(QStringLiteral("{ }"), 10));
    m_blockquote->setIcon(glyph(QStringLiteral("\u201C"), 18));
    m_alignLeft->setIcon(alignIcon(Qt::AlignLeft, ink));
    m_alignCenter->setIcon(alignIcon(Qt::AlignHCenter, ink));
    m_alignRight->setIcon(alignIcon(Qt::AlignRight, ink));
    m_insertLink->setIcon(chainLinkIcon(ink));
    m_insertDivider->setIcon(glyph(QStringLiteral("\u2014"), 16, false, false, false, false));
    m_insertTable->setIcon(glyph(QStringLiteral("\u229E"), 18, false, false, false, false));
    // Without any font that has the paperclip the glyph would paint as an
    // empty box; a drawn clip stands in for it.
    const QString clip = QStringLiteral("\U0001F4CE");
    GlyphStyle clipStyle;
    clipStyle.pixelSize = 14;
    clipStyle.bold = false;
    m_insertAttachment->setIcon(glyphAvailable(clip, clipStyle) ? glyphIcon(clip, clipStyle, ink)
                                                                : paperclipIcon(ink));
}

bool EditorToolbar::eventFilter(QObject *watched, QEvent *event)
{
    // The icons are painted in the palette's ink, so a theme switch repaints
    // them; otherwise they vanish against the new background.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        applyTheme();
    return QToolBar::eventFilter(watched, event);
}

QAction *EditorToolbar::addItem(const QString &toolTip, bool checkable, void (NoteEditor::*call)())
{
    QAction *action = addAction(QString());
    action->setToolTip(toolTip);
    action->setText(toolTip);
    action->setCheckable(checkable);
    if (call) {
        connect(action, &QAction::triggered, this, [this, call] {
            if (m_editor)
                (m_editor.data()->*call)();
        });
    }
    return action;
}

void EditorToolbar::setEditor(NoteEditor *editor)
{
    if (m_editor)
        disconnect(m_editor, nullptr, this, nullptr);
    m_editor = editor;
    if (m_editor)
        connect(m_editor, &NoteEditor::formatStateChanged, this, &EditorToolbar::updateFormatState);
}

void EditorToolbar::setEditorEnabled(bool enabled)
{
    setEnabled(enabled);
    setVisible(enabled);
}

void EditorToolbar::updateFormatState(bool bold,
                                      bool italic,
                                      bool underline,
                                      bool strike,
                                      bool code,
                                      int heading,
                                      const QString &listType,
                                      bool codeBlock,
                                      bool blockquote,
                                      bool inTable,
                                      Qt::Alignment alignment)
{
    m_updating = true;
    m_bold->setChecked(bold);
    m_italic->setChecked(italic);
    m_underline->setChecked(underline);
    m_strike->setChecked(strike);
    m_code->setChecked(code);

    const bool centre = alignment & Qt::AlignHCenter;
    const bool right = alignment & Qt::AlignRight;
    m_alignLeft->setChecked(!centre && !right);
    m_alignCenter->setChecked(centre);
    m_alignRight->setChecked(right);

    const int index = m_heading->findData(heading);
    m_heading->setCurrentIndex(index >= 0 ? index : 0);

    m_bullet->setChecked(listType == QLatin1String("bullet"));
    m_numbered->setChecked(listType == QLatin1String("ordered"));
    m_checkList->setChecked(listType == QLatin1String("checked")
                            || listType == QLatin1String("unchecked"));
    m_codeBlock->setChecked(codeBlock);
    m_blockquote->setChecked(blockquote);

    m_insertTable->setEnabled(!inTable);
    m_insertTable->setToolTip(inTable ? tr("Nested tables are not supported")
                                      : tr("Insert Table (Ctrl+T)"));
    m_updating = false;
}

void EditorToolbar::onHeadingChosen(int index)
{
    if (m_updating || !m_editor || index < 0)
        return;
    m_editor->setHeading(m_heading->itemData(index).toInt());
}

void EditorToolbar::onInsertTable()
{
    if (!m_editor)
        return;
    const TableSizeChoice choice = NoteEditor::askTableSize(m_editor);
    if (choice.accepted && m_editor)
        m_editor->insertTable(choice.rows, choice.columns, choice.headerRow);
}
