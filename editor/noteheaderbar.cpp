#include "editor/noteheaderbar.h"

#include "editor/editoricons.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

static bool paletteIsDark()
{
    return QApplication::palette().color(QPalette::Window).lightness()
           <= QColor(QStringLiteral("#1E1E1E")).lightness();
}

NoteHeaderBar::NoteHeaderBar(QWidget *parent)
    : QFrame(parent)
{
    setFixedHeight(40);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 10, 6);

    m_focusToggle = new QToolButton(this);
    m_focusToggle->setAutoRaise(true);
    m_focusToggle->setCursor(Qt::PointingHandCursor);
    m_focusToggle->setFixedSize(28, 28);
    m_focusToggle->setToolTip(tr("Toggle sidebars (Ctrl+\\)"));
    connect(m_focusToggle, &QToolButton::clicked, this, &NoteHeaderBar::focusToggleClicked);
    layout->addWidget(m_focusToggle);

    m_notebookChip = new QPushButton(this);
    m_notebookChip->setFlat(true);
    m_notebookChip->setCursor(Qt::PointingHandCursor);
    m_notebookChip->setToolTip(tr("Open this notebook"));
    m_notebookChip->setText(tr("Unorganized"));
    connect(m_notebookChip, &QPushButton::clicked, this, &NoteHeaderBar::notebookChipClicked);
    layout->addWidget(m_notebookChip);

    layout->addStretch();

    m_infoLabel = new QLabel(this);
    QFont mono(QStringLiteral("IBM Plex Mono"));
    mono.setPixelSize(11);
    m_infoLabel->setFont(mono);
    m_infoLabel->setContentsMargins(0, 0, 10, 0);
    layout->addWidget(m_infoLabel);

    m_copyButton = makeActionButton(tr("Copy…"));
    m_copyMenu = new QMenu(m_copyButton);
    connect(m_copyMenu->addAction(tr("Copy as Plain Text")),
            &QAction::triggered,
            this,
            &NoteHeaderBar::copyAsPlainTextRequested);
    connect(m_copyMenu->addAction(tr("Copy as Markdown")),
            &QAction::triggered,
            this,
            &NoteHeaderBar::copyAsMarkdownRequested);
    connect(m_copyMenu->addAction(tr("Copy as HTML")),
            &QAction::triggered,
            this,
            &NoteHeaderBar::copyAsHtmlRequested);
    m_copyButton->setMenu(m_copyMenu);
    m_copyButton->setPopupMode(QToolButton::InstantPopup);
    layout->addWidget(m_copyButton);

    m_shareButton = makeActionButton(tr("Share note"));
    connect(m_shareButton, &QToolButton::clicked, this, &NoteHeaderBar::shareRequested);
    layout->addWidget(m_shareButton);

    m_historyButton = makeActionButton(tr("Version history"));
    connect(m_historyButton, &QToolButton::clicked, this, &NoteHeaderBar::historyRequested);
    layout->addWidget(m_historyButton);

    m_moreButton = makeActionButton(tr("More actions"));
    m_moreMenu = new QMenu(m_moreButton);
    m_includeInTodos = m_moreMenu->addAction(tr("Include in To-Dos"));
    m_includeInTodos->setCheckable(true);
    connect(m_includeInTodos, &QAction::toggled, this, &NoteHeaderBar::includeInTodosToggled);
    m_moreMenu->addSeparator();
    connect(m_moreMenu->addAction(tr("Move to Notebook…")),
            &QAction::triggered,
            this,
            &NoteHeaderBar::moveToNotebookRequested);
    connect(m_moreMenu->addAction(tr("Export…")),
            &QAction::triggered,
            this,
            &NoteHeaderBar::exportRequested);
    connect(m_moreMenu->addAction(tr("Print…")),
            &QAction::triggered,
            this,
            &NoteHeaderBar::printRequested);
    m_moreMenu->addSeparator();
    connect(m_moreMenu->addAction(tr("Move to Trash")),
            &QAction::triggered,
            this,
            &NoteHeaderBar::deleteRequested);
    m_moreButton->setMenu(m_moreMenu);
    m_moreButton->setPopupMode(QToolButton::InstantPopup);
    layout->addWidget(m_moreButton);

    m_shareButton->setVisible(false);
    updateEnabledStates();
    applyIcons();
    refreshChipStyle();
    qApp->installEventFilter(this);
}

void NoteHeaderBar::refreshChipStyle()
{
    m_notebookChip->setStyleSheet(chipStyleSheet(paletteIsDark()));
}

void NoteHeaderBar::applyIcons()
{
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    m_focusToggle->setIcon(sidebarIcon(m_focusMode, ink));
    m_notebookChip->setIcon(notebookIcon(ink));
    m_copyButton->setIcon(copyIcon(ink));
    m_shareButton->setIcon(shareIcon(ink));
    m_historyButton->setIcon(historyIcon(ink));
    m_moreButton->setIcon(moreIcon(ink));
}

bool NoteHeaderBar::eventFilter(QObject *watched, QEvent *event)
{
    // The icons are painted in the palette's ink, so a theme switch repaints
    // them; otherwise they vanish against the new background.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        applyIcons();
    return QFrame::eventFilter(watched, event);
}

QToolButton *NoteHeaderBar::makeActionButton(const QString &toolTip)
{
    auto *button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedSize(32, 28);
    button->setIconSize(QSize(18, 18));
    button->setToolTip(toolTip);
    return button;
}

QString NoteHeaderBar::chipStyleSheet(bool dark)
{
    const QString background = dark ? QStringLiteral("#2A2D31") : QStringLiteral("#EFF1F4");
    const QString hover = dark ? QStringLiteral("#34383D") : QStringLiteral("#E4E7EC");
    const QString text = dark ? QStringLiteral("#D7DBE0") : QStringLiteral("#2B3138");
    return QStringLiteral("QPushButton {  background-color: %1;  color: %3;  border: none;  "
                          "border-radius: 10px;  padding: 3px 10px 3px 8px;  font-family: 'IBM "
                          "Plex Sans';  font-size: 12px;  font-weight: 500;  text-align: "
                          "left;}QPushButton:hover { background-color: %2; }")
        .arg(background, hover, text);
}

void NoteHeaderBar::setNotebookName(const QString &name)
{
    m_notebookChip->setText(name.isEmpty() ? tr("Unorganized") : name);
}

void NoteHeaderBar::setNoteActive(bool active)
{
    m_noteActive = active;
    if (!active)
        m_infoLabel->clear();
    updateEnabledStates();
}

void NoteHeaderBar::setShareVisible(bool visible)
{
    m_shareVisible = visible;
    m_shareButton->setVisible(visible);
    updateEnabledStates();
}

void NoteHeaderBar::updateEnabledStates()
{
    m_copyButton->setEnabled(m_noteActive);
    m_historyButton->setEnabled(m_noteActive);
    m_moreButton->setEnabled(m_noteActive);
    m_notebookChip->setEnabled(m_noteActive);
    m_shareButton->setEnabled(m_noteActive && m_shareVisible);
}

void NoteHeaderBar::setMetaText(const QString &text)
{
    m_infoLabel->setText(text);
}

void NoteHeaderBar::setFocusMode(bool focusMode)
{
    m_focusMode = focusMode;
    m_focusToggle->setIcon(
        sidebarIcon(focusMode, QApplication::palette().color(QPalette::WindowText)));
}

void NoteHeaderBar::setFocusToggleVisible(bool visible)
{
    m_focusToggle->setVisible(visible);
}

void NoteHeaderBar::setIncludeInTodos(bool enabled)
{
    const QSignalBlocker blocker(m_includeInTodos);
    m_includeInTodos->setChecked(enabled);
}
