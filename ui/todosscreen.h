#pragma once

#include <QWidget>

class AppState;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// Stand-alone window gathering the tasks of all notes into one checkable
// list. Check-list tasks can be ticked here; the note is rewritten.
class TodosScreen : public QWidget
{
    Q_OBJECT

public:
    enum Role {
        NoteIdRole = Qt::UserRole,
        LineIndexRole = Qt::UserRole + 1,
        SourceRole = Qt::UserRole + 2,
        CompletedRole = Qt::UserRole + 3,
    };

    explicit TodosScreen(AppState *state, QWidget *parent = nullptr);

    void refresh();
    // What the main window does each time it shows the window.
    void present();

    QListWidget *taskList() const { return m_list; }
    QComboBox *sortCombo() const { return m_sort; }
    QCheckBox *showCompletedBox() const { return m_showCompleted; }
    QLineEdit *filterField() const { return m_filter; }

    // The Delta text with the check-list item ending line lineIndex set to
    // checked or unchecked; empty when the text is no Delta array or that
    // line is not a check-list item.
    static QString setChecklistItemState(const QString &deltaJson, int lineIndex, bool checked);

private:
    void onItemChanged(QListWidgetItem *item);
    void onItemDoubleClicked(QListWidgetItem *item);
    void scheduleRefresh();

    AppState *m_state;
    QComboBox *m_sort;
    QCheckBox *m_showCompleted;
    QLineEdit *m_filter;
    QListWidget *m_list;
    bool m_updating = false;
    bool m_refreshPending = false;
};
