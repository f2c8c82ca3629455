#include "ui/findbar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>

FindBar::FindBar(QTextEdit *editor, QWidget *parent)
    : QWidget(parent)
    , m_editor(editor)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(6);

    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(tr("Find in note"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    layout->addWidget(m_field, 1);

    m_status = new QLabel(this);
    layout->addWidget(m_status);

    auto *previous = new QToolButton(this);
    previous->setText(tr("Previous"));
    previous->setAutoRaise(true);
    layout->addWidget(previous);
    auto *next = new QToolButton(this);
    next->setText(tr("Next"));
    next->setAutoRaise(true);
    layout->addWidget(next);
    auto *close = new QToolButton(this);
    close->setText(QStringLiteral("✕"));
    close->setToolTip(tr("Close (Esc)"));
    close->setAutoRaise(true);
    layout->addWidget(close);

    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(close, &QToolButton::clicked, this, &FindBar::closeBar);
    connect(m_field, &QLineEdit::textChanged, this, [this] {
        m_status->clear();
        if (!m_editor || m_field->text().isEmpty())
            return;
        // Search again from the start of the current match while typing.
        QTextCursor cursor = m_editor->textCursor();
        cursor.setPosition(cursor.selectionStart());
        m_editor->setTextCursor(cursor);
        findNext();
    });

    hide();
}

void FindBar::activate()
{
    if (m_editor) {
        const QString selected = m_editor->textCursor().selectedText();
        if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
            m_field->setText(selected);
    }
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

bool FindBar::findNext()
{
    return find({});
}

bool FindBar::findPrevious()
{
    return find(QTextDocument::FindBackward);
}

void FindBar::closeBar()
{
    hide();
    m_status->clear();
    if (m_editor)
        m_editor->setFocus(Qt::OtherFocusReason);
}

bool FindBar::find(QTextDocument::FindFlags flags)
{
    const QString text = m_field->text();
    if (!m_editor || text.isEmpty())
        return false;
    if (m_editor->find(text, flags)) {
        m_status->clear();
        return true;
    }
    // Wrap around once from the other end.
    QTextCursor cursor = m_editor->textCursor();
    const QTextCursor saved = cursor;
    cursor.movePosition((flags & QTextDocument::FindBackward) ? QTextCursor::End
                                                              : QTextCursor::Start);
    m_editor->setTextCursor(cursor);
    if (m_editor->find(text, flags)) {
        m_status->clear();
        return true;
    }
    m_editor->setTextCursor(saved);
    m_status->setText(tr("No matches"));
    return false;
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        closeBar();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            closeBar();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                findPrevious();
            else
                findNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
