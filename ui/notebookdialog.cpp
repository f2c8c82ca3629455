#include "ui/notebookdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

NotebookDialog::NotebookDialog(QWidget *parent, const QString &title, const QString &initialName)
    : QDialog(parent)
{
    setWindowTitle(title);
    setMinimumWidth(350);

    m_edit = new QLineEdit(initialName, this);
    m_edit->setPlaceholderText(tr("Notebook name"));
    m_edit->selectAll();

    auto *form = new QFormLayout;
    form->addRow(tr("Name:"), m_edit);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this, &NotebookDialog::updateOkButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_buttons);

    updateOkButton();
    m_edit->setFocus();
}

QString NotebookDialog::name() const
{
    return m_edit->text().trimmed();
}

void NotebookDialog::updateOkButton()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!name().isEmpty());
}

QString NotebookDialog::getNewNotebookName(QWidget *parent)
{
    NotebookDialog dialog(parent, tr("New Notebook"), QString());
    return dialog.exec() == QDialog::Accepted ? dialog.name() : QString();
}

QString NotebookDialog::getRenamedNotebookName(QWidget *parent, const QString &currentName)
{
    NotebookDialog dialog(parent, tr("Rename Notebook"), currentName);
    return dialog.exec() == QDialog::Accepted ? dialog.name() : QString();
}
