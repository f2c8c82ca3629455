#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The statements of the store's schema migrations, kept apart from Database
// so that tools can run exactly the same SQL.

struct SchemaStep
{
    QString label; // named in the failure log
    QString statement;
};

QString schemaVersionTableStatement();
// Migration 1: every table, index and trigger, in creation order.
QStringList initialSchemaStatements();
// Migration 2: rebuild of notes without a notebook foreign key, moving notes
// out of default notebooks, then deleting those notebooks.
QList<SchemaStep> notesRebuildSteps();
