#include "ui/welcomescreen.h"

#include "document/appearance.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

WelcomeScreen::WelcomeScreen(AppState *state, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    auto *column = new QWidget(this);
    column->setMaximumWidth(720);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(40, 20, 40, 20);
    layout->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    outer->addWidget(column, 0, Qt::AlignHCenter | Qt::AlignTop);

    auto *icon = new QLabel(column);
    const QPixmap pixmap(QStringLiteral(":/icons/app-icon.png"));
    if (!pixmap.isNull())
        icon->setPixmap(pixmap.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setAlignment(Qt::AlignHCenter);
    layout->addWidget(icon);

    auto *name = new QLabel(tr("Velmora Notes"), column);
    QFont nameFont = name->font();
    nameFont.setPointSize(18);
    nameFont.setWeight(QFont::Weight(600));
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignHCenter);
    layout->addWidget(name);

    m_tagLine = new QLabel(tr("Capture as fast as paper.\nFind it faster."), column);
    QFont tagFont = m_tagLine->font();
    tagFont.setPointSize(11);
    tagFont.setWeight(QFont::Weight(500));
    m_tagLine->setFont(tagFont);
    m_tagLine->setAlignment(Qt::AlignHCenter);
    layout->addWidget(m_tagLine);

    layout->addSpacing(16);
    m_continue = new QPushButton(tr("Continue Without an Account"), column);
    layout->addWidget(m_continue, 0, Qt::AlignHCenter);
    connect(m_continue, &QPushButton::clicked, this, &WelcomeScreen::dismissRequested);

    m_account = new QPushButton(column);
    m_account->setFlat(true);
    layout->addWidget(m_account, 0, Qt::AlignHCenter);
    connect(m_account, &QPushButton::clicked, this, [this] {
        if (m_signedIn)
            emit signOutRequested();
        else
            emit signInRequested();
    });

    m_hint = new QLabel(tr("Opens in your web browser"), column);
    QFont hintFont = m_hint->font();
    hintFont.setPointSize(9);
    m_hint->setFont(hintFont);
    m_hint->setAlignment(Qt::AlignHCenter);
    layout->addWidget(m_hint);

    applyColors();
    refresh(false);
}

void WelcomeScreen::refresh(bool signedIn)
{
    m_signedIn = signedIn;
    m_account->setText(signedIn ? tr("Sign Out") : tr("Already have an account? Sign In"));
    m_account->setVisible(m_accountAvailable);
    m_hint->setVisible(m_accountAvailable && !signedIn);
}

void WelcomeScreen::setAccountAvailable(bool available)
{
    m_accountAvailable = available;
    refresh(m_signedIn);
}

void WelcomeScreen::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColors();
    QWidget::changeEvent(event);
}

void WelcomeScreen::applyColors()
{
    const QString color = isDarkTheme() ? QStringLiteral("#9E9E9E") : QStringLiteral("#616161");
    const QString sheet = QStringLiteral("color: %1;").arg(color);
    m_tagLine->setStyleSheet(sheet);
    m_hint->setStyleSheet(sheet);
}
