#pragma once

#include "interchange/importresult.h"

#include <QJsonObject>
#include <QString>

class AppState;
struct Note;
struct Notebook;

// Whole-store backup as a ZIP archive: "manifest.json", "notebooks/<id>.json",
// "notes/<id>.json" (trashed notes included) and "attachments/<file>".
ImportResult createBackup(const QString &zipPath, AppState *appState);
// Adds what the archive holds and the store lacks; records whose id exists
// are skipped, attachment files already present are never overwritten.
ImportResult restoreBackup(const QString &zipPath, AppState *appState);

QJsonObject noteToJson(const Note &note);
Note noteFromJson(const QJsonObject &object);
QJsonObject notebookToJson(const Notebook &notebook);
Notebook notebookFromJson(const QJsonObject &object);
