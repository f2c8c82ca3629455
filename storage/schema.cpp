#include "storage/schema.h"

namespace {

const char notesColumns[] = "  id TEXT PRIMARY KEY,"
                            "  notebook_id TEXT NOT NULL DEFAULT '',"
                            "  body TEXT NOT NULL DEFAULT '',"
                            "  created_at TEXT NOT NULL,"
                            "  updated_at TEXT NOT NULL,"
                            "  modified_at TEXT NOT NULL,"
                            "  deleted_at TEXT,"
                            "  version INTEGER NOT NULL DEFAULT 1,"
                            "  op_version INTEGER NOT NULL DEFAULT 0,"
                            "  sync_status TEXT NOT NULL DEFAULT 'pending',"
                            "  is_sample INTEGER NOT NULL DEFAULT 0,"
                            "  owner_id TEXT,"
                            "  is_shared INTEGER NOT NULL DEFAULT 0,"
                            "  permission TEXT)";

const char idxNotesNotebookId[]
    = "CREATE INDEX IF NOT EXISTS idx_notes_notebook_id ON notes(notebook_id)";
const char idxNotesUpdatedAt[]
    = "CREATE INDEX IF NOT EXISTS idx_notes_updated_at ON notes(updated_at)";
const char idxNotesModifiedAt[]
    = "CREATE INDEX IF NOT EXISTS idx_notes_modified_at ON notes(modified_at)";
const char idxNotesDeletedAt[]
    = "CREATE INDEX IF NOT EXISTS idx_notes_deleted_at ON notes(deleted_at)";
const char idxNotesSyncStatus[]
    = "CREATE INDEX IF NOT EXISTS idx_notes_sync_status ON notes(sync_status)";

const char triggerInsert[] = "CREATE TRIGGER IF NOT EXISTS notes_ai AFTER INSERT ON notes BEGIN"
                             "  INSERT INTO notes_fts(rowid, body) VALUES (new.rowid, new.body);"
                             " END";
const char triggerDelete[]
    = "CREATE TRIGGER IF NOT EXISTS notes_ad AFTER DELETE ON notes BEGIN"
      "  INSERT INTO notes_fts(notes_fts, rowid, body) VALUES ('delete', old.rowid, old.body);"
      " END";
const char triggerUpdate[]
    = "CREATE TRIGGER IF NOT EXISTS notes_au AFTER UPDATE ON notes BEGIN"
      "  INSERT INTO notes_fts(notes_fts, rowid, body) VALUES ('delete', old.rowid, old.body);"
      "  INSERT INTO notes_fts(rowid, body) VALUES (new.rowid, new.body);"
      " END";

} // namespace

QString schemaVersionTableStatement()
{
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS schema_version (  version INTEGER NOT NULL DEFAULT 0)");
}

QStringList initialSchemaStatements()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS notebooks ("
                       "  id TEXT PRIMARY KEY,"
                       "  name TEXT NOT NULL,"
                       "  is_default INTEGER NOT NULL DEFAULT 0,"
                       "  is_shared INTEGER NOT NULL DEFAULT 0,"
                       "  owner_id TEXT,"
                       "  created_at TEXT NOT NULL,"
                       "  updated_at TEXT NOT NULL,"
                       "  deleted_at TEXT,"
                       "  version INTEGER NOT NULL DEFAULT 1,"
                       "  sync_status TEXT NOT NULL DEFAULT 'pending')"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS idx_notebooks_deleted_at ON notebooks(deleted_at)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS idx_notebooks_sync_status ON notebooks(sync_status)"),
        QLatin1String("CREATE TABLE IF NOT EXISTS notes (") + QLatin1String(notesColumns),
        QLatin1String(idxNotesNotebookId),
        QLatin1String(idxNotesUpdatedAt),
        QLatin1String(idxNotesModifiedAt),
        QLatin1String(idxNotesDeletedAt),
        QLatin1String(idxNotesSyncStatus),
        QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS notes_fts USING fts5("
                       "  body,"
                       "  content='notes',"
                       "  content_rowid='rowid')"),
        QLatin1String(triggerInsert),
        QLatin1String(triggerDelete),
        QLatin1String(triggerUpdate),
        QStringLiteral("CREATE TABLE IF NOT EXISTS note_operations ("
                       "  id TEXT PRIMARY KEY,"
                       "  note_id TEXT NOT NULL REFERENCES notes(id),"
                       "  base_version INTEGER NOT NULL,"
                       "  result_version INTEGER NOT NULL,"
                       "  operation TEXT NOT NULL,"
                       "  created_at TEXT NOT NULL,"
                       "  synced INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS idx_note_operations_version"
                       " ON note_operations(note_id, result_version)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS idx_note_operations_synced ON note_operations(synced)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS note_snapshots ("
                       "  id TEXT PRIMARY KEY,"
                       "  note_id TEXT NOT NULL REFERENCES notes(id),"
                       "  version INTEGER NOT NULL,"
                       "  body TEXT NOT NULL,"
                       "  created_at TEXT NOT NULL,"
                       "  UNIQUE(note_id, version))"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS idx_note_snapshots_version"
                       " ON note_snapshots(note_id, version DESC)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS attachments ("
                       "  id TEXT PRIMARY KEY,"
                       "  note_id TEXT NOT NULL REFERENCES notes(id),"
                       "  filename TEXT NOT NULL,"
                       "  mime_type TEXT NOT NULL,"
                       "  size_bytes INTEGER NOT NULL,"
                       "  created_at TEXT NOT NULL,"
                       "  sync_status TEXT NOT NULL DEFAULT 'pending')"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS idx_attachments_note_id ON attachments(note_id)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS sync_queue ("
                       "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       "  entity_type TEXT NOT NULL,"
                       "  entity_id TEXT NOT NULL,"
                       "  action TEXT NOT NULL,"
                       "  payload TEXT,"
                       "  created_at TEXT NOT NULL,"
                       "  attempts INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS idx_sync_queue_entity"
                       " ON sync_queue(entity_type, entity_id)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS tasks ("
                       "  id TEXT PRIMARY KEY,"
                       "  note_id TEXT NOT NULL REFERENCES notes(id),"
                       "  text TEXT NOT NULL,"
                       "  is_completed INTEGER NOT NULL DEFAULT 0,"
                       "  source TEXT NOT NULL,"
                       "  line_index INTEGER NOT NULL,"
                       "  char_offset INTEGER NOT NULL,"
                       "  due_date TEXT,"
                       "  due_date_phrase TEXT,"
                       "  extracted_at TEXT NOT NULL,"
                       "  note_updated_at TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS idx_tasks_note_id ON tasks(note_id)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS idx_tasks_completed ON tasks(is_completed)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS idx_tasks_due_date ON tasks(due_date)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS note_task_settings ("
                       "  note_id TEXT PRIMARY KEY REFERENCES notes(id),"
                       "  include_in_todos INTEGER NOT NULL DEFAULT 1)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS preferences ("
                       "  key TEXT PRIMARY KEY,"
                       "  value TEXT)"),
    };
}

QList<SchemaStep> notesRebuildSteps()
{
    return {
        {QStringLiteral("create notes_new"),
         QLatin1String("CREATE TABLE notes_new (") + QLatin1String(notesColumns)},
        {QStringLiteral("copy notes"),
         QStringLiteral(
             "INSERT INTO notes_new SELECT id,"
             "   CASE WHEN notebook_id IN (SELECT id FROM notebooks WHERE is_default = 1)"
             "        THEN '' ELSE notebook_id END,"
             "   body, created_at, updated_at, modified_at, deleted_at,"
             "   version, op_version, sync_status, is_sample, owner_id, is_shared,"
             " permission FROM notes")},
        {QStringLiteral("drop trigger ai"), QStringLiteral("DROP TRIGGER IF EXISTS notes_ai")},
        {QStringLiteral("drop trigger ad"), QStringLiteral("DROP TRIGGER IF EXISTS notes_ad")},
        {QStringLiteral("drop trigger au"), QStringLiteral("DROP TRIGGER IF EXISTS notes_au")},
        {QStringLiteral("drop notes"), QStringLiteral("DROP TABLE notes")},
        {QStringLiteral("rename notes_new"),
         QStringLiteral("ALTER TABLE notes_new RENAME TO notes")},
        {QStringLiteral("idx notebook_id"), QLatin1String(idxNotesNotebookId)},
        {QStringLiteral("idx updated_at"), QLatin1String(idxNotesUpdatedAt)},
        {QStringLiteral("idx modified_at"), QLatin1String(idxNotesModifiedAt)},
        {QStringLiteral("idx deleted_at"), QLatin1String(idxNotesDeletedAt)},
        {QStringLiteral("idx sync_status"), QLatin1String(idxNotesSyncStatus)},
        {QStringLiteral("trigger ai"), QLatin1String(triggerInsert)},
        {QStringLiteral("trigger ad"), QLatin1String(triggerDelete)},
        {QStringLiteral("trigger au"), QLatin1String(triggerUpdate)},
        {QStringLiteral("fts rebuild"),
         QStringLiteral("INSERT INTO notes_fts(notes_fts) VALUES('rebuild')")},
        {QStringLiteral("delete default"),
         QStringLiteral("DELETE FROM notebooks WHERE is_default = 1")},
    };
}
