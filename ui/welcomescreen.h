#pragma once

#include <QWidget>

class AppState;
class QLabel;
class QPushButton;

// The first page of the main window's central stack, shown while signed out
// with no note open: name, tag line, "Continue Without an Account" and the
// account button.
class WelcomeScreen : public QWidget
{
    Q_OBJECT

public:
    explicit WelcomeScreen(AppState *state, QWidget *parent = nullptr);

    // Sets the account button for the given authentication state.
    void refresh(bool signedIn);
    // Hides the account button and its hint while no sign-in service exists.
    void setAccountAvailable(bool available);

    QPushButton *continueButton() const { return m_continue; }
    QPushButton *accountButton() const { return m_account; }

signals:
    void signInRequested();
    void signOutRequested();
    void dismissRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyColors();

    AppState *m_state = nullptr;
    bool m_signedIn = false;
    bool m_accountAvailable = true;
    QLabel *m_tagLine = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_continue = nullptr;
    QPushButton *m_account = nullptr;
};
