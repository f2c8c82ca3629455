#pragma once

#include <QDialog>

class QLineEdit;

// What the link dialog returned.
struct LinkChoice
{
    bool accepted = false;
    QString text;
    QString url;
};

class LinkDialog : public QDialog
{
    Q_OBJECT
public:
    LinkDialog(const QString &title, const QString &text, const QString &url, QWidget *parent);

    LinkChoice choice() const;

    // Runs the dialog modally and returns what the user chose.
    static LinkChoice ask(QWidget *parent,
                          const QString &title,
                          const QString &text,
                          const QString &url);

private:
    QLineEdit *m_text = nullptr;
    QLineEdit *m_url = nullptr;
};
