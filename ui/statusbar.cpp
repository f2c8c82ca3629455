#include "ui/statusbar.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>

StatusBar::StatusBar(QWidget *parent)
    : QStatusBar(parent)
{
    m_location = new QLabel(tr("All Notes"), this);
    addWidget(m_location, 1);

    m_update = new QLabel(this);
    m_update->hide();
    addPermanentWidget(m_update);

    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0);
    m_busy->setMaximumWidth(100);
    m_busy->setMaximumHeight(14);
    m_busy->setTextVisible(false);
    m_busy->hide();
    addPermanentWidget(m_busy);

    m_editor = new QLabel(this);
    addPermanentWidget(m_editor);

    m_account = new QLabel(tr("Not signed in"), this);
    addPermanentWidget(m_account);

    applyStyleSheet();
    qApp->installEventFilter(this);
}

void StatusBar::applyStyleSheet()
{
    setStyleSheet(QStringLiteral("QStatusBar {  font-size: 9pt;  color: %1;}"
                                 "QStatusBar::item { border: none; }")
                      .arg(QStringLiteral("#78909C")));
}

bool StatusBar::eventFilter(QObject *watched, QEvent *event)
{
    // A style sheet freezes the palette it polished with, and such a widget
    // is not told about a new application palette; without a fresh polish a
    // theme switch leaves the labels in the old colours.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        setStyleSheet(QString());
        setPalette(QPalette());
        applyStyleSheet();
    }
    return QStatusBar::eventFilter(watched, event);
}

void StatusBar::setLocation(const QString &name, int count)
{
    if (count < 0) {
        m_location->setText(name);
        return;
    }
    m_location->setText(
        QStringLiteral("%1 (%2 %3)").arg(name).arg(count).arg(count == 1 ? tr("note") : tr("notes")));
}

void StatusBar::setWordCount(int count)
{
    m_editor->setText(count < 0 ? QString() : tr("Words: %1").arg(count));
}

void StatusBar::setSaveState(bool saved)
{
    QString text = m_editor->text();
    if (!text.isEmpty())
        text += QStringLiteral(" · ");
    text += saved ? tr("Saved") : tr("Saving...");
    m_editor->setText(text);
}

void StatusBar::setAccountText(const QString &text)
{
    m_account->setText(text);
}

void StatusBar::showUpdateMessage(const QString &text)
{
    m_update->setText(text);
    m_update->show();
    m_busy->show();
}

void StatusBar::finishUpdate()
{
    m_update->hide();
    m_busy->hide();
}

void StatusBar::finishUpdateWithMessage(const QString &text, int milliseconds)
{
    finishUpdate();
    showMessage(text, milliseconds);
}

QString StatusBar::locationText() const
{
    return m_location->text();
}

QString StatusBar::editorText() const
{
    return m_editor->text();
}

QString StatusBar::accountText() const
{
    return m_account->text();
}
