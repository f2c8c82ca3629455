#include "ui/movetonotebookdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

MoveToNotebookDialog::MoveToNotebookDialog(const QList<Notebook> &notebooks,
                                           const QString &currentNotebookId,
                                           QWidget *parent)
    : QDialog(parent)
    , m_currentNotebookId(currentNotebookId)
{
    setWindowTitle(tr("Move to Notebook"));
    setMinimumSize(300, 250);

    m_list = new QListWidget(this);
    for (const Notebook &notebook : notebooks) {
        auto *item = new QListWidgetItem(notebook.name, m_list);
        item->setData(Qt::UserRole, notebook.id);
        if (notebook.id == currentNotebookId) {
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
            item->setText(tr("%1 (current)").arg(notebook.name));
        }
    }

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::currentItemChanged, this, &MoveToNotebookDialog::updateOkButton);
    connect(m_list,
            &QListWidget::itemDoubleClicked,
            this,
            &MoveToNotebookDialog::onItemDoubleClicked);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Select a notebook:"), this));
    layout->addWidget(m_list, 1);
    layout->addWidget(m_buttons);
}

QString MoveToNotebookDialog::selectedNotebookId() const
{
    const QListWidgetItem *item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void MoveToNotebookDialog::updateOkButton()
{
    const QListWidgetItem *item = m_list->currentItem();
    const bool choosable = item && item->data(Qt::UserRole).toString() != m_currentNotebookId;
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(choosable);
}

void MoveToNotebookDialog::onItemDoubleClicked(QListWidgetItem *item)
{
    if (item && item->data(Qt::UserRole).toString() != m_currentNotebookId) {
        m_list->setCurrentItem(item);
        accept();
    }
}

QString MoveToNotebookDialog::chooseNotebook(QWidget *parent,
                                             const QList<Notebook> &notebooks,
                                             const QString &currentNotebookId)
{
    MoveToNotebookDialog dialog(notebooks, currentNotebookId, parent);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    // Never report the note's own notebook as a move target.
    const QString id = dialog.selectedNotebookId();
    return id == currentNotebookId ? QString() : id;
}
