#pragma once

#include <QStatusBar>

class QLabel;
class QProgressBar;

// The status bar of the main window and of every note window: location and
// note count, update-check progress, word count and save state, account and
// sync state, and short temporary messages.
class StatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit StatusBar(QWidget *parent);

    // A negative count shows the name alone.
    void setLocation(const QString &name, int count);
    void setWordCount(int count);
    void setSaveState(bool saved);
    void setAccountText(const QString &text);

    // Update-check callbacks.
    void showUpdateMessage(const QString &text);
    void finishUpdate();
    void finishUpdateWithMessage(const QString &text, int milliseconds);

    QString locationText() const;
    QString editorText() const;
    QString accountText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyStyleSheet();

    QLabel *m_location = nullptr;
    QLabel *m_update = nullptr;
    QProgressBar *m_busy = nullptr;
    QLabel *m_editor = nullptr;
    QLabel *m_account = nullptr;
};
