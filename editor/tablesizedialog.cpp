#include "editor/tablesizedialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

TableSizeDialog::TableSizeDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Insert Table"));
    setModal(true);

    auto *form = new QFormLayout(this);
    m_rows = new QSpinBox(this);
    m_rows->setRange(1, 100);
    m_rows->setValue(3);
    m_columns = new QSpinBox(this);
    m_columns->setRange(1, 20);
    m_columns->setValue(3);
    m_headerRow = new QCheckBox(tr("Include header row"), this);
    m_headerRow->setChecked(true);
    form->addRow(tr("Rows:"), m_rows);
    form->addRow(tr("Columns:"), m_columns);
    form->addRow(m_headerRow);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

TableSizeChoice TableSizeDialog::choice() const
{
    TableSizeChoice c;
    c.accepted = result() == QDialog::Accepted;
    c.rows = m_rows->value();
    c.columns = m_columns->value();
    c.headerRow = m_headerRow->isChecked();
    return c;
}
