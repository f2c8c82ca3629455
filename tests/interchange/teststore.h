#pragma once

// A real application state over a fresh data folder, for the interchange
// tests.

#include "app/appstate.h"
#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>

struct TestStore
{
    QTemporaryDir dir;
    AppState state;

    bool open()
    {
        state.setStoragePaths(dir.filePath(QStringLiteral("t.db")), attachmentsDirectory());
        return state.initialize();
    }
    QString attachmentsDirectory() const { return dir.filePath(QStringLiteral("attachments")); }
    QStringList attachmentFiles() const
    {
        return QDir(attachmentsDirectory())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                       QDir::Name);
    }
    bool exec(const QString &sql)
    {
        QSqlQuery query(state.database()->database());
        return query.exec(sql);
    }
};
