#pragma once

#include <QDialog>

class QCheckBox;
class QSpinBox;

// What the "Insert Table" dialog returned.
struct TableSizeChoice
{
    bool accepted = false;
    int rows = 3;
    int columns = 3;
    bool headerRow = true;
};

class TableSizeDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TableSizeDialog(QWidget *parent = nullptr);

    TableSizeChoice choice() const;

private:
    QSpinBox *m_rows = nullptr;
    QSpinBox *m_columns = nullptr;
    QCheckBox *m_headerRow = nullptr;
};
