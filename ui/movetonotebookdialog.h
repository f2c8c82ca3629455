#pragma once

#include "storage/notebook.h"

#include <QDialog>
#include <QList>

class QDialogButtonBox;
class QListWidget;
class QListWidgetItem;

// Chooser of the notebook a note moves to; the note's own notebook is shown
// but cannot be chosen.
class MoveToNotebookDialog : public QDialog
{
    Q_OBJECT

public:
    MoveToNotebookDialog(const QList<Notebook> &notebooks,
                         const QString &currentNotebookId,
                         QWidget *parent = nullptr);

    // The id of the current item; empty when there is none.
    QString selectedNotebookId() const;

    // Runs modally; the chosen notebook id, or an empty text when cancelled.
    static QString chooseNotebook(QWidget *parent,
                                  const QList<Notebook> &notebooks,
                                  const QString &currentNotebookId);

private:
    void updateOkButton();
    void onItemDoubleClicked(QListWidgetItem *item);

    QString m_currentNotebookId;
    QListWidget *m_list;
    QDialogButtonBox *m_buttons;
};
