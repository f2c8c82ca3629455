// Tables, links and attachments inside NoteEditor, with their menus and tooltips.
#include "editor/noteeditor.h"

#include "document/attachmenturl.h"
#include "document/richtextformats.h"
#include "editor/editorlogging.h"
#include "storage/attachmentrepository.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QToolTip>
#include <QUuid>

namespace {
// MIME types the desktop runs rather than shows when asked to open them.
bool isExecutableMimeType(const QMimeType &type)
{
    static const char *const executableTypes[] = {
        "application/x-executable",
        "application/x-pie-executable",
        "application/x-sharedlib",
        "application/x-msdownload",
        "application/x-ms-dos-executable",
        "application/x-msdos-program",
        "application/vnd.microsoft.portable-executable",
        "application/x-ms-ne-executable",
        "application/x-msi",
        "application/x-ms-installer",
        "application/x-ole-storage",
        "application/x-shellscript",
        "application/x-sh",
        "application/x-csh",
        "application/x-bat",
        "text/x-msdos-batch",
        "application/x-ms-shortcut",
        "application/x-desktop",
        "application/x-appimage",
        "application/vnd.appimage",
        "application/x-java-archive",
        "application/java-archive",
        "application/x-java-jnlp-file",
        "application/javascript",
        "text/javascript",
        "text/x-python",
        "text/x-python3",
        "application/x-python-code",
        "application/x-perl",
        "text/x-perl",
        "application/x-ruby",
        "text/x-vbscript",
        "text/vbscript",
        "text/x-ms-regedit",
        "application/x-iso9660-appimage",
        "application/x-powershell",
        "text/x-powershell",
        "application/hta",
        "application/x-deb",
        "application/vnd.debian.binary-package",
        "application/x-rpm",
        "application/x-apple-diskimage",
        "application/x-executable-script",
    };
    for (const char *name : executableTypes) {
        if (type.inherits(QLatin1String(name)))
            return true;
    }
    return false;
}

// Windows runs these by name; the shared MIME database does not know all of them.
bool hasWindowsProgramSuffix(const QString &fileName)
{
    static const QStringList suffixes{QStringLiteral("bat"),  QStringLiteral("cmd"),
                                      QStringLiteral("com"),  QStringLiteral("scr"),
                                      QStringLiteral("pif"),  QStringLiteral("ps1"),
                                      QStringLiteral("psm1"), QStringLiteral("vbs"),
                                      QStringLiteral("vbe"),  QStringLiteral("js"),
                                      QStringLiteral("jse"),  QStringLiteral("wsf"),
                                      QStringLiteral("wsh"),  QStringLiteral("hta"),
                                      QStringLiteral("cpl"),  QStringLiteral("msc"),
                                      QStringLiteral("lnk"),  QStringLiteral("reg"),
                                      QStringLiteral("msi"),  QStringLiteral("msp"),
                                      QStringLiteral("exe"),  QStringLiteral("appimage"),
                                      QStringLiteral("jar"),  QStringLiteral("desktop")};
    return suffixes.contains(QFileInfo(fileName).suffix().toLower());
}

bool isExecutableAttachment(const QString &fileName, const QByteArray &bytes)
{
    if (hasWindowsProgramSuffix(fileName))
        return true;
    const QMimeDatabase database;
    // Name and content are judged apart: a renamed program is still a program,
    // and a script is run by its name whatever it holds.
    return isExecutableMimeType(database.mimeTypeForFileNameAndData(fileName, bytes))
           || isExecutableMimeType(database.mimeTypeForData(bytes))
           || isExecutableMimeType(
               database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension));
}

// The file names of attachments come from other machines and archives; only
// a plain name may become part of a path.
bool isSafePathPart(const QString &part)
{
    return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..")
           && !part.contains(QLatin1Char('/')) && !part.contains(QLatin1Char('\\'))
           && !part.contains(QChar(0));
}

// Writes bytes to path, replacing any file there, readable and writable by
// the owner only and never executable.
bool writePrivateFile(const QString &path, const QByteArray &bytes, QString *error, bool *shortWrite)
{
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = file.errorString();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const qint64 written = file.write(bytes);
    file.close();
    if (written != bytes.size()) {
        *shortWrite = true;
        return false;
    }
    return true;
}
} // namespace

// ---- Tables ----

TableSizeChoice NoteEditor::askTableSize(QWidget *parent)
{
    TableSizeDialog dialog(parent);
    dialog.exec();
    return dialog.choice();
}

void NoteEditor::insertTable(int rows, int columns, bool headerRow)
{
    QTextCursor cursor = textCursor();
    if (rows < 1 || columns < 1 || cursor.currentTable())
        return;
    cursor.beginEditBlock();
    // The table goes after the caret's paragraph, never into it. Inserting at
    // the end of the paragraph lets the insertion make the paragraph after
    // the table itself, so that paragraph counts as a spacer and an empty one
    // is not stored.
    if (!cursor.block().text().isEmpty())
        cursor.movePosition(QTextCursor::EndOfBlock);
    QTextTable *table = insertTableWithSpacers(cursor, rows, columns, noteTableFormat(headerRow));
    if (table && headerRow) {
        for (int column = 0; column < columns; ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat cellFormat = cell.format();
            cellFormat.setBackground(headerCellBackground());
            cell.setFormat(cellFormat);
            QTextCursor first = cell.firstCursorPosition();
            first.setBlockCharFormat(headerCellCharFormat());
        }
    }
    cursor.endEditBlock();
    if (table)
        setTextCursor(table->cellAt(0, 0).firstCursorPosition());
    updateFormatState();
}

void NoteEditor::insertTableLine(bool column, int offset)
{
    QTextTable *table = textCursor().currentTable();
    if (!table)
        return;
    const QTextTableCell cell = table->cellAt(textCursor());
    if (column)
        table->insertColumns(cell.column() + offset, 1);
    else
        table->insertRows(cell.row() + offset, 1);
}

void NoteEditor::removeTableLine(bool column)
{
    QTextTable *table = textCursor().currentTable();
    if (!table)
        return;
    // Removing the last row or column removes the table.
    if ((column ? table->columns() : table->rows()) <= 1) {
        deleteTable();
        return;
    }
    const QTextTableCell cell = table->cellAt(textCursor());
    if (column)
        table->removeColumns(cell.column(), 1);
    else
        table->removeRows(cell.row(), 1);
    updateFormatState();
}

void NoteEditor::insertRowAbove()
{
    insertTableLine(false, 0);
}

void NoteEditor::insertRowBelow()
{
    insertTableLine(false, 1);
}

void NoteEditor::insertColumnBefore()
{
    insertTableLine(true, 0);
}

void NoteEditor::insertColumnAfter()
{
    insertTableLine(true, 1);
}

void NoteEditor::deleteRow()
{
    removeTableLine(false);
}

void NoteEditor::deleteColumn()
{
    removeTableLine(true);
}

void NoteEditor::deleteTable()
{
    QTextTable *table = textCursor().currentTable();
    if (!table)
        return;
    const int from = qMax(0, table->firstPosition() - 1);
    const int to = qMin(table->lastPosition() + 1, document()->characterCount() - 1);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    setTextCursor(cursor);
    updateFormatState();
}

// ---- Links ----

LinkRange NoteEditor::linkAt(int position) const
{
    LinkRange range;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return range;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = fragment.position();
        const int end = start + fragment.length();
        if (position < start || position > end)
            continue;
        const QTextCharFormat format = fragment.charFormat();
        if (format.isAnchor() && !format.anchorHref().isEmpty()) {
            range.start = start;
            range.end = end;
            range.href = format.anchorHref();
            range.found = true;
        }
        break;
    }
    return range;
}

static void applyLinkChoice(QTextCursor &cursor,
                            const QString &selectedText,
                            const LinkChoice &choice)
{
    const QTextCharFormat link = linkFormat(choice.url);
    if (cursor.hasSelection() && choice.text == selectedText) {
        cursor.mergeCharFormat(link);
        return;
    }
    const QTextCharFormat before = cursor.charFormat();
    QTextCharFormat format = before;
    format.merge(link);
    cursor.insertText(choice.text.isEmpty() ? choice.url : choice.text, format);
    // What is typed right after the new link is plain text again, not more
    // of the link.
    QTextCharFormat after = before;
    if (after.isAnchor()) {
        after.setAnchor(false);
        after.setAnchorHref(QString());
        after.clearProperty(QTextFormat::TextUnderlineStyle);
        after.clearForeground();
    }
    cursor.setCharFormat(after);
}

void NoteEditor::insertLink()
{
    if (isReadOnly())
        return;
    askAndApplyLink(textCursor(), tr("Insert Link"), QStringLiteral("https://"));
}

void NoteEditor::askAndApplyLink(QTextCursor cursor, const QString &title, const QString &url)
{
    const QString selected = cursor.selectedText();
    const LinkChoice choice = askLink(title, selected, url);
    // A link needs somewhere to go.
    if (!choice.accepted || choice.url.isEmpty())
        return;
    cursor.beginEditBlock();
    applyLinkChoice(cursor, selected, choice);
    cursor.endEditBlock();
    setTextCursor(cursor);
    updateFormatState();
}

void NoteEditor::editLink(const LinkRange &range)
{
    if (!range.found || isReadOnly())
        return;
    QTextCursor cursor(document());
    cursor.setPosition(range.start);
    cursor.setPosition(range.end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    askAndApplyLink(cursor, tr("Edit Link"), range.href);
}

void NoteEditor::removeLink(const LinkRange &range)
{
    if (!range.found || isReadOnly())
        return;
    QTextCursor cursor(document());
    cursor.setPosition(range.start);
    cursor.setPosition(range.end, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setAnchor(false);
    format.setAnchorHref(QString());
    format.setUnderlineStyle(QTextCharFormat::NoUnderline);
    format.setForeground(palette().color(QPalette::Text));
    cursor.mergeCharFormat(format);
    updateFormatState();
}

void NoteEditor::openLink(const QString &url)
{
    const QString trimmed = url.trimmed();
    if (trimmed.isEmpty())
        return;
    QUrl target(trimmed);
    if (target.scheme().isEmpty())
        target = QUrl(QStringLiteral("https://") + trimmed);
    const QString scheme = target.scheme().toLower();
    // Other schemes can run programs or reach local files; the user decides.
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")
        && scheme != QLatin1String("mailto")) {
        const QMessageBox::StandardButton answer
            = askQuestion(tr("Open Link"),
                          tr("Open this link?\n\n%1").arg(target.toString()),
                          QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    openUrlInDesktop(target);
}

// ---- Attachments ----

QTextCharFormat NoteEditor::charFormatAt(int position) const
{
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return QTextCharFormat();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.contains(position))
            return fragment.charFormat();
    }
    return QTextCharFormat();
}

QString NoteEditor::attachmentIdAt(const QPoint &viewportPos) const
{
    const int position = cursorForPosition(viewportPos).position();
    QTextCharFormat format = charFormatAt(position);
    if (format.objectType() != AttachmentObject && position > 0)
        format = charFormatAt(position - 1);
    if (format.objectType() != AttachmentObject)
        return QString();
    return attachmentIdFromUrl(format.stringProperty(EmbedValueProperty));
}

QString NoteEditor::attachmentSizeText(qint64 bytes)
{
    const double kilobytes = bytes / 1024.0;
    if (kilobytes < 1024.0)
        return QString::number(kilobytes, 'f', 1) + QStringLiteral(" KB");
    return QString::number(kilobytes / 1024.0, 'f', 1) + QStringLiteral(" MB");
}

void NoteEditor::insertAttachment()
{
    if (!isInsertingAllowed())
        return;
    const QString path = chooseOpenFileName(
        tr("Insert Attachment"),
        tr("All Files (*.*);;Images (*.png *.jpg *.jpeg *.gif *.webp *.bmp *.svg)"));
    if (!path.isEmpty())
        insertAttachmentFromPath(path);
}

bool NoteEditor::insertAttachmentFromPath(const QString &path)
{
    if (!isInsertingAllowed())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcEditor) << "insertAttachmentFromPath: can't open" << path;
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.isEmpty())
        return false;

    Attachment record;
    record.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    record.noteId = m_noteId;
    record.filename = QFileInfo(path).fileName();
    record.mimeType = QMimeDatabase().mimeTypeForFileNameAndData(record.filename, bytes).name();
    record.sizeBytes = bytes.size();
    record.createdAt = QDateTime::currentDateTimeUtc();
    if (!m_attachmentRepository->saveFile(record.id, bytes)) {
        qCWarning(lcEditor) << "insertAttachmentFromPath: saveFile failed";
        return false;
    }
    if (!m_attachmentRepository->insert(record)) {
        qCWarning(lcEditor) << "insertAttachmentFromPath: insert failed";
        return false;
    }

    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.insertText(QString(QChar::ObjectReplacementCharacter),
                      embedCharFormat(attachmentEmbedKind(), attachmentUrlFromId(record.id)));
    QTextBlockFormat blockFormat = cursor.blockFormat();
    blockFormat.setLineHeight(0, QTextBlockFormat::SingleHeight);
    cursor.setBlockFormat(blockFormat);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    restyleBlock(cursor);
    cursor.endEditBlock();
    setTextCursor(cursor);
    return true;
}

QString NoteEditor::writeTemporaryCopy(const QString &id,
                                       const QString &fileName,
                                       const QByteArray &bytes,
                                       const char *operation) const
{
    const QString name = QFileInfo(fileName).fileName();
    const QString safeName = isSafePathPart(name) ? name : id + QStringLiteral(".bin");
    if (!isSafePathPart(id) || !isSafePathPart(safeName)) {
        qCWarning(lcEditor) << operation << ": unusable attachment id" << id;
        return QString();
    }
    const QString directory = QDir::tempPath() + QStringLiteral("/velmora-notes/") + id;
    QDir().mkpath(directory);
    const QString path = directory + QLatin1Char('/') + safeName;
    QString error;
    bool shortWrite = false;
    if (!writePrivateFile(path, bytes, &error, &shortWrite)) {
        if (shortWrite)
            qCWarning(lcEditor).noquote()
                << QStringLiteral("%1: short write for").arg(QLatin1String(operation)) << path;
        else
            qCWarning(lcEditor).noquote()
                << QStringLiteral("%1: failed to open temp file").arg(QLatin1String(operation))
                << path << error;
        return QString();
    }
    return path;
}

bool NoteEditor::openAttachment(const QString &id, const QString &fileName)
{
    if (!m_attachmentRepository)
        return false;
    const QByteArray bytes = m_attachmentRepository->readFile(id);
    if (bytes.isEmpty())
        return false;
    if (isExecutableAttachment(fileName, bytes)) {
        const QMessageBox::StandardButton answer = askQuestion(
            tr("Open Attachment"),
            tr("\"%1\" is a program or script. Opening it may run it on this computer.\n\n"
               "Open it anyway, or save a copy instead?")
                .arg(fileName),
            QMessageBox::Open | QMessageBox::Save | QMessageBox::Cancel,
            QMessageBox::Cancel);
        if (answer == QMessageBox::Save) {
            saveAttachmentAs(id, fileName);
            return false;
        }
        if (answer != QMessageBox::Open)
            return false;
    }
    const QString path = writeTemporaryCopy(id, fileName, bytes, "openAttachment");
    if (path.isEmpty())
        return false;
    return openUrlInDesktop(QUrl::fromLocalFile(path));
}

bool NoteEditor::openAttachmentInEditor(const QString &id, bool fromMenu)
{
    if (!m_attachmentRepository)
        return false;
    const std::optional<Attachment> record = m_attachmentRepository->get(id);
    if (!record)
        return false;
    if (record->mimeType.startsWith(QLatin1String("image/"))) {
        QImage image;
        if (image.loadFromData(m_attachmentRepository->readFile(id))) {
            // Without a viewer the image opens like any other attachment.
            if (!showImagePreview(image, record->filename))
                openAttachment(id, record->filename);
            return true;
        }
        if (!fromMenu)
            return false;
    }
    openAttachment(id, record->filename);
    return true;
}

void NoteEditor::saveAttachmentAs(const QString &id, const QString &fileName)
{
    if (!m_attachmentRepository)
        return;
    const QString path = chooseSaveFileName(tr("Save Attachment"),
                                            QDir::homePath() + QLatin1Char('/') + fileName);
    if (path.isEmpty())
        return;
    const QByteArray bytes = m_attachmentRepository->readFile(id);
    if (bytes.isEmpty()) {
        qCWarning(lcEditor) << "saveAttachmentAs: empty/missing file for" << id;
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCWarning(lcEditor) << "saveAttachmentAs: open failed" << file.errorString();
        return;
    }
    file.write(bytes);
    // Replacing an existing program must not leave the saved copy runnable.
    file.setPermissions(file.permissions()
                        & ~(QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup
                            | QFileDevice::ExeOther));
    file.close();
}

void NoteEditor::copyAttachmentFile(const QString &id, const QString &fileName)
{
    if (!m_attachmentRepository)
        return;
    const QByteArray bytes = m_attachmentRepository->readFile(id);
    if (bytes.isEmpty())
        return;
    const QString path = writeTemporaryCopy(id, fileName, bytes, "copyAttachmentFile");
    if (path.isEmpty())
        return;
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(path)});
    QGuiApplication::clipboard()->setMimeData(data);
}

void NoteEditor::removeAttachment(const QString &id)
{
    auto isThisAttachment = [&](const QTextCharFormat &format) {
        return format.objectType() == AttachmentObject
               && attachmentIdFromUrl(format.stringProperty(EmbedValueProperty)) == id;
    };
    const int caret = textCursor().position();
    int position = -1;
    if (caret > 0 && isThisAttachment(charFormatAt(caret - 1)))
        position = caret - 1;
    else if (isThisAttachment(charFormatAt(caret)))
        position = caret;
    if (position < 0) {
        // Not beside the caret: find its character, so no other attachment's
        // character goes in its place.
        const QString marker(QChar::ObjectReplacementCharacter);
        for (QTextCursor found = document()->find(marker); !found.isNull();
             found = document()->find(marker, found)) {
            if (isThisAttachment(charFormatAt(found.selectionStart()))) {
                position = found.selectionStart();
                break;
            }
        }
    }
    if (position >= 0 && !isReadOnly()) {
        QTextCursor cursor(document());
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    if (m_attachmentRepository)
        m_attachmentRepository->deleteById(id);
}

// ---- Menus and tooltips ----

QMenu *NoteEditor::createEditorContextMenu(const QPoint &viewportPos)
{
    const QString id = attachmentIdAt(viewportPos);
    if (!id.isEmpty() && m_attachmentRepository) {
        if (const std::optional<Attachment> record = m_attachmentRepository->get(id)) {
            const QString fileName = record->filename;
            auto *menu = new QMenu(this);
            connect(menu->addAction(tr("Open")), &QAction::triggered, this, [this, id] {
                openAttachmentInEditor(id, true);
            });
            connect(menu->addAction(tr("Save As…")),
                    &QAction::triggered,
                    this,
                    [this, id, fileName] { saveAttachmentAs(id, fileName); });
            connect(menu->addAction(tr("Copy File")),
                    &QAction::triggered,
                    this,
                    [this, id, fileName] { copyAttachmentFile(id, fileName); });
            menu->addSeparator();
            connect(menu->addAction(tr("Remove Attachment")), &QAction::triggered, this, [this, id] {
                removeAttachment(id);
            });
            return menu;
        }
    }
    const LinkRange link = linkAt(textCursor().position());
    if (link.found) {
        auto *menu = new QMenu(this);
        connect(menu->addAction(tr("Open Link")), &QAction::triggered, this, [this, link] {
            openLink(link.href);
        });
        connect(menu->addAction(tr("Copy Link Address")), &QAction::triggered, this, [link] {
            QGuiApplication::clipboard()->setText(link.href);
        });
        menu->addSeparator();
        connect(menu->addAction(tr("Edit Link…")), &QAction::triggered, this, [this, link] {
            editLink(link);
        });
        connect(menu->addAction(tr("Remove Link")), &QAction::triggered, this, [this, link] {
            removeLink(link);
        });
        return menu;
    }
    if (textCursor().currentTable()) {
        auto *menu = new QMenu(this);
        // Groups of entries, a separator between groups.
        const QList<QList<std::pair<QString, void (NoteEditor::*)()>>>
            groups{{{tr("Insert Row Above"), &NoteEditor::insertRowAbove},
                    {tr("Insert Row Below"), &NoteEditor::insertRowBelow}},
                   {{tr("Insert Column Before"), &NoteEditor::insertColumnBefore},
                    {tr("Insert Column After"), &NoteEditor::insertColumnAfter}},
                   {{tr("Delete Row"), &NoteEditor::deleteRow},
                    {tr("Delete Column"), &NoteEditor::deleteColumn}},
                   {{tr("Delete Table"), &NoteEditor::deleteTable}}};
        for (const auto &group : groups) {
            if (!menu->isEmpty())
                menu->addSeparator();
            for (const auto &[text, call] : group)
                connect(menu->addAction(text), &QAction::triggered, this, call);
        }
        return menu;
    }
    return nullptr;
}

void NoteEditor::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createEditorContextMenu(event->pos());
    if (!menu) {
        QTextEdit::contextMenuEvent(event);
        return;
    }
    menu->exec(event->globalPos());
    delete menu;
}

bool NoteEditor::handleToolTip(QHelpEvent *event, const QPoint &viewportPos)
{
    const QString id = attachmentIdAt(viewportPos);
    if (!id.isEmpty() && m_attachmentRepository) {
        if (const std::optional<Attachment> record = m_attachmentRepository->get(id)) {
            QToolTip::showText(event->globalPos(),
                               tr("%1 (%2)\n(Double-click to open, right-click for more)")
                                   .arg(record->filename, attachmentSizeText(record->sizeBytes)),
                               viewport());
            return true;
        }
    }
    const LinkRange link = linkAt(cursorForPosition(viewportPos).position());
    if (link.found) {
        QToolTip::showText(event->globalPos(),
                           tr("%1\n(Ctrl+click to open)").arg(link.href),
                           viewport());
        return true;
    }
    QToolTip::hideText();
    return false;
}

bool NoteEditor::event(QEvent *event)
{
    // The editor's own keys win over window shortcuts while it has focus.
    if (event->type() == QEvent::ShortcutOverride && !isReadOnly()
        && isEditorShortcut(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    // Keys that belong to the window's actions (link, table, attachment,
    // alignment) must not be taken by a platform text binding, such as Ctrl+K
    // deleting to the end of the line on X11.
    if (event->type() == QEvent::ShortcutOverride
        && isWindowShortcut(static_cast<QKeyEvent *>(event))) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        if (handleToolTip(help, viewport()->mapFrom(this, help->pos())))
            return true;
    }
    return QTextEdit::event(event);
}

bool NoteEditor::viewportEvent(QEvent *event)
{
    // Tooltips over the text arrive at the viewport.
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        if (handleToolTip(help, help->pos()))
            return true;
    }
    return QTextEdit::viewportEvent(event);
}

// ---- Questions and the desktop ----

QMessageBox::StandardButton NoteEditor::askQuestion(const QString &title,
                                                    const QString &text,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::question(this, title, text, buttons, defaultButton);
}

LinkChoice NoteEditor::askLink(const QString &title, const QString &text, const QString &url)
{
    return LinkDialog::ask(this, title, text, url);
}

QString NoteEditor::chooseOpenFileName(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(this, title, QString(), filter);
}

QString NoteEditor::chooseSaveFileName(const QString &title, const QString &start)
{
    return QFileDialog::getSaveFileName(this, title, start);
}

bool NoteEditor::openUrlInDesktop(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool NoteEditor::showImagePreview(const QImage &image, const QString &caption)
{
    const ImageViewerFactory &factory = imageViewerFactoryRef();
    QDialog *viewer = factory ? factory(image, caption, this) : nullptr;
    if (!viewer)
        return false;
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->show();
    return true;
}
