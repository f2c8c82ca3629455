#pragma once

// Shared by the ui tests: a real store in a temporary folder with the window
// settings kept there too, small Delta builders, and a way to answer modal
// dialogs without a person.

#include "app/appstate.h"
#include "app/windowfactory.h"
#include "storage/note.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"

#include <QApplication>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>

inline QString plainBody(const QString &text)
{
    QJsonArray ops;
    ops.append(QJsonObject{{"insert", text + "\n"}});
    return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
}

struct UiTestStore
{
    QTemporaryDir dir;
    std::unique_ptr<AppState> state;

    // With a factory the state also gets the theme manager.
    bool open(WindowFactory *factory = nullptr)
    {
        QStandardPaths::setTestModeEnabled(true);
        if (!dir.isValid())
            return false;
        qputenv("NOTES_DATA_DIR", dir.path().toUtf8());
        // Window settings live in the test's own folder, never the user's.
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("settings"));
        QSettings().clear();
        state = std::make_unique<AppState>();
        state->setWindowFactory(factory);
        state->setStoragePaths(dir.filePath("t.db"), dir.filePath("attachments"));
        return state->initialize();
    }

    // Stores a note whose lines are given; each line may carry block
    // attributes (for check-list items).
    Note addNote(const QJsonArray &ops,
                 const QDateTime &updated = QDateTime(),
                 const QString &notebookId = QString())
    {
        return insertNote(QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact)),
                          notebookId,
                          updated);
    }

    // Stores a note of one plain line.
    Note addNote(const QString &text,
                 const QString &notebookId = QString(),
                 const QDateTime &updated = QDateTime())
    {
        return insertNote(plainBody(text), notebookId, updated);
    }

    Note addPlainNote(const QString &text, const QDateTime &updated = QDateTime())
    {
        return insertNote(plainBody(text), QString(), updated);
    }

    Notebook addNotebook(const QString &name)
    {
        Notebook notebook;
        notebook.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        notebook.name = name;
        notebook.createdAt = QDateTime::currentDateTimeUtc();
        notebook.updatedAt = notebook.createdAt;
        state->notebooks()->insert(notebook);
        return notebook;
    }

private:
    Note insertNote(const QString &body, const QString &notebookId, const QDateTime &updated)
    {
        Note note = Note::create(notebookId);
        note.body = body;
        if (updated.isValid()) {
            note.updatedAt = updated;
            note.modifiedAt = updated;
        }
        state->notes()->insert(note);
        return note;
    }
};

inline QJsonObject textOp(const QString &text)
{
    return QJsonObject{{"insert", text}};
}

inline QJsonObject lineEnd(const QString &list = QString())
{
    QJsonObject op{{"insert", "\n"}};
    if (!list.isEmpty())
        op.insert("attributes", QJsonObject{{"list", list}});
    return op;
}

// Calls `answer` with the next modal widget (dialog or message box) shown
// while it runs; counts how many appeared. Destroy it after the call under
// test so that a modal that never came leaves nothing behind.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<void(QWidget *)> answer)
        : m_answer(std::move(answer))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last)
                return;
            m_last = modal;
            ++m_count;
            m_answer(modal);
        });
        m_timer.start();
    }

    int count() const { return m_count; }

private:
    std::function<void(QWidget *)> m_answer;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    int m_count = 0;
};
