#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;

// Prompt for a notebook name; OK stays disabled while the name is blank.
class NotebookDialog : public QDialog
{
    Q_OBJECT

public:
    NotebookDialog(QWidget *parent, const QString &title, const QString &initialName);

    // The entered name without surrounding white space.
    QString name() const;

    // Run modally; the trimmed name when accepted, otherwise an empty text.
    static QString getNewNotebookName(QWidget *parent);
    static QString getRenamedNotebookName(QWidget *parent, const QString &currentName);

private:
    void updateOkButton();

    QLineEdit *m_edit;
    QDialogButtonBox *m_buttons;
};
