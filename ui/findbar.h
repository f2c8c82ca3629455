#pragma once

#include <QPointer>
#include <QTextDocument>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextEdit;
class QToolButton;

// A small bar that finds text in one editor: Return or "Next" goes forward,
// Shift+Return or "Previous" back, wrapping at the ends; Escape closes it and
// hands the focus back to the editor.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QTextEdit *editor, QWidget *parent = nullptr);

    // Shows the bar with the editor's selected text (if any) and focuses it.
    void activate();
    QLineEdit *field() const { return m_field; }

public slots:
    bool findNext();
    bool findPrevious();
    void closeBar();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool find(QTextDocument::FindFlags flags);

    QPointer<QTextEdit> m_editor;
    QLineEdit *m_field = nullptr;
    QLabel *m_status = nullptr;
};
