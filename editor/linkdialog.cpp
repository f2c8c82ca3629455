#include "editor/linkdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

LinkDialog::LinkDialog(const QString &title,
                       const QString &text,
                       const QString &url,
                       QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setModal(true);

    auto *form = new QFormLayout(this);
    m_text = new QLineEdit(text, this);
    m_url = new QLineEdit(url, this);
    m_url->setMinimumWidth(360);
    form->addRow(tr("Text:"), m_text);
    form->addRow(tr("URL:"), m_url);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);

    // The URL is what people come here for; put them there.
    m_url->setFocus();
    m_url->selectAll();
}

LinkChoice LinkDialog::choice() const
{
    LinkChoice c;
    c.accepted = result() == QDialog::Accepted;
    c.text = m_text->text();
    c.url = m_url->text().trimmed();
    return c;
}

LinkChoice LinkDialog::ask(QWidget *parent,
                           const QString &title,
                           const QString &text,
                           const QString &url)
{
    LinkDialog dialog(title, text, url, parent);
    dialog.exec();
    return dialog.choice();
}
