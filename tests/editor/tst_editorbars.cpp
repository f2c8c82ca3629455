#include "document/richtextformats.h"
#include "editor/editortoolbar.h"
#include "editor/linkdialog.h"
#include "editor/noteeditor.h"
#include "editor/noteheaderbar.h"
#include "editor/tablesizedialog.h"
#include "editortestsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QTimer>
#include <QToolButton>

static QJsonObject textOp(const QString &text, const QJsonObject &attributes = {})
{
    QJsonObject op{{QStringLiteral("insert"), text}};
    if (!attributes.isEmpty())
        op.insert(QStringLiteral("attributes"), attributes);
    return op;
}

class TestEditorBars : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void toolbarItemsInOrder()
    {
        EditorToolbar toolbar;
        QVERIFY(!toolbar.isEnabled());
        QVERIFY(toolbar.isHidden());
        QVERIFY(!toolbar.isMovable());
        QCOMPARE(toolbar.iconSize(), QSize(16, 16));
        QStringList items;
        for (QAction *action : toolbar.actions()) {
            if (action->isSeparator())
                items.append(QStringLiteral("-"));
            else if (toolbar.widgetForAction(action) == toolbar.headingCombo())
                items.append(toolbar.headingCombo()->toolTip());
            else
                items.append(action->toolTip());
        }
        QCOMPARE(items,
                 QStringList({"Bold (Ctrl+B)",
                              "Italic (Ctrl+I)",
                              "Underline (Ctrl+U)",
                              "Strikethrough (Ctrl+Shift+X)",
                              "Inline Code (Ctrl+`)",
                              "-",
                              "Heading Level",
                              "-",
                              "Bullet List (Ctrl+Shift+8)",
                              "Numbered List (Ctrl+Shift+7)",
                              "Checkbox List (Ctrl+Shift+9)",
                              "-",
                              "Code Block (Ctrl+Shift+`)",
                              "Blockquote (Ctrl+Shift+B)",
                              "-",
                              "Align Left (Ctrl+Shift+L)",
                              "Align Center (Ctrl+Shift+E)",
                              "Align Right (Ctrl+Shift+R)",
                              "-",
                              "Insert Link (Ctrl+K)",
                              "Insert Divider",
                              "Insert Table (Ctrl+T)",
                              "Insert Attachment (Ctrl+Shift+A)"}));
        QCOMPARE(toolbar.headingCombo()->count(), 7);
        QCOMPARE(toolbar.headingCombo()->itemText(0), QStringLiteral("Normal"));
        QCOMPARE(toolbar.headingCombo()->itemText(6), QStringLiteral("Heading 6"));
        QCOMPARE(toolbar.headingCombo()->itemData(6).toInt(), 6);
        QVERIFY(!toolbar.boldAction()->icon().isNull());
        QVERIFY(toolbar.boldAction()->isCheckable());
        QVERIFY(!toolbar.insertTableAction()->isCheckable());

        toolbar.setEditorEnabled(true);
        QVERIFY(toolbar.isEnabled());
        QVERIFY(!toolbar.isHidden());
        toolbar.setEditorEnabled(false);
        QVERIFY(toolbar.isHidden());
    }

    void insertTableDisabledInsideTable()
    {
        ScriptedEditor editor;
        EditorToolbar toolbar;
        toolbar.setEditor(&editor);
        showEditor(editor, compactJson({textOp(QStringLiteral("x\n"))}));
        QVERIFY(toolbar.insertTableAction()->isEnabled());
        editor.insertTable(2, 2, true);
        QVERIFY(!toolbar.insertTableAction()->isEnabled());
        QCOMPARE(toolbar.insertTableAction()->toolTip(),
                 QStringLiteral("Nested tables are not supported"));
        editor.moveCursor(QTextCursor::Start);
        QVERIFY(toolbar.insertTableAction()->isEnabled());
        QCOMPARE(toolbar.insertTableAction()->toolTip(), QStringLiteral("Insert Table (Ctrl+T)"));
    }

    void alignmentStates_data()
    {
        QTest::addColumn<QString>("align");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("center");
        QTest::addColumn<bool>("right");
        QTest::newRow("centred") << "center" << false << true << false;
        QTest::newRow("justified") << "justify" << true << false << false;
        QTest::newRow("right") << "right" << false << false << true;
        QTest::newRow("left") << "" << true << false << false;
    }

    void alignmentStates()
    {
        QFETCH(QString, align);
        QFETCH(bool, left);
        QFETCH(bool, center);
        QFETCH(bool, right);
        ScriptedEditor editor;
        EditorToolbar toolbar;
        toolbar.setEditor(&editor);
        const QJsonObject block = align.isEmpty() ? QJsonObject()
                                                  : QJsonObject{{QStringLiteral("align"), align}};
        editor.loadNote(QStringLiteral("n"),
                        compactJson(
                            {textOp(QStringLiteral("text")), textOp(QStringLiteral("\n"), block)}));
        QCOMPARE(toolbar.alignLeftAction()->isChecked(), left);
        QCOMPARE(toolbar.alignCenterAction()->isChecked(), center);
        QCOMPARE(toolbar.alignRightAction()->isChecked(), right);
    }

    void itemsCallTheEditorAndFollowIt()
    {
        ScriptedEditor editor;
        EditorToolbar toolbar;
        toolbar.setEditor(&editor);
        editor.loadNote(QStringLiteral("n"), compactJson({textOp(QStringLiteral("word\n"))}));
        QTextCursor cursor = editor.textCursor();
        cursor.select(QTextCursor::BlockUnderCursor);
        editor.setTextCursor(cursor);
        toolbar.boldAction()->trigger();
        QVERIFY(toolbar.boldAction()->isChecked());
        QVERIFY(editor.noteJson().contains(QStringLiteral("\"bold\":true")));
        toolbar.alignCenterAction()->trigger();
        QVERIFY(toolbar.alignCenterAction()->isChecked());
        QVERIFY(!toolbar.alignLeftAction()->isChecked());
        toolbar.checkListAction()->trigger();
        QVERIFY(toolbar.checkListAction()->isChecked());
        QVERIFY(!toolbar.bulletListAction()->isChecked());
        toolbar.codeBlockAction()->trigger();
        QVERIFY(toolbar.codeBlockAction()->isChecked());
        QVERIFY(!toolbar.checkListAction()->isChecked());
        QVERIFY(reloadsIdentically(editor));

        // A ticked item shows as a check-list item too.
        toolbar.updateFormatState(false,
                                  false,
                                  false,
                                  false,
                                  false,
                                  0,
                                  QStringLiteral("checked"),
                                  false,
                                  false,
                                  false,
                                  Qt::AlignLeft);
        QVERIFY(toolbar.checkListAction()->isChecked());
    }

    void headingComboSetsEverySelectedBlock()
    {
        ScriptedEditor editor;
        EditorToolbar toolbar;
        toolbar.setEditor(&editor);
        editor.loadNote(QStringLiteral("n"),
                        compactJson({textOp(QStringLiteral("one\ntwo\nthree\n"))}));
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(1);
        cursor.setPosition(5, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
        toolbar.headingCombo()->setCurrentIndex(2);
        QTextBlock block = editor.document()->firstBlock();
        QCOMPARE(block.blockFormat().intProperty(HeadingLevelProperty), 2);
        QCOMPARE(block.next().blockFormat().intProperty(HeadingLevelProperty), 2);
        QCOMPARE(block.next().next().blockFormat().intProperty(HeadingLevelProperty), 0);

        // Following the caret does not echo into the document.
        const QString before = editor.noteJson();
        editor.moveCursor(QTextCursor::End);
        QCOMPARE(toolbar.headingCombo()->currentIndex(), 0);
        editor.moveCursor(QTextCursor::Start);
        QCOMPARE(toolbar.headingCombo()->currentIndex(), 2);
        QCOMPARE(editor.noteJson(), before);

        // Unbound, the combo reaches nothing.
        toolbar.setEditor(nullptr);
        toolbar.headingCombo()->setCurrentIndex(5);
        QCOMPARE(editor.noteJson(), before);
    }

    void rebindingDisconnectsThePreviousEditor()
    {
        ScriptedEditor first;
        ScriptedEditor second;
        EditorToolbar toolbar;
        toolbar.setEditor(&first);
        toolbar.setEditor(&second);
        first.loadNote(QStringLiteral("a"),
                       compactJson({textOp(QStringLiteral("x")),
                                    textOp(QStringLiteral("\n"),
                                           QJsonObject{{QStringLiteral("header"), 3}})}));
        QCOMPARE(toolbar.headingCombo()->currentIndex(), 0);
        toolbar.boldAction()->trigger();
        QVERIFY(!first.noteJson().contains(QStringLiteral("bold")));
    }

    void tableSizeDialog()
    {
        TableSizeDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Insert Table"));
        const QList<QSpinBox *> spins = dialog.findChildren<QSpinBox *>();
        QCOMPARE(spins.size(), 2);
        QCOMPARE(spins.at(0)->minimum(), 1);
        QCOMPARE(spins.at(0)->maximum(), 100);
        QCOMPARE(spins.at(1)->maximum(), 20);
        QCOMPARE(spins.at(0)->value(), 3);
        QCOMPARE(spins.at(1)->value(), 3);
        QCheckBox *header = dialog.findChild<QCheckBox *>();
        QCOMPARE(header->text(), QStringLiteral("Include header row"));
        QVERIFY(header->isChecked());
        QVERIFY(!dialog.choice().accepted);
    }

    void linkDialog()
    {
        LinkDialog dialog(QStringLiteral("Edit Link"),
                          QStringLiteral("text"),
                          QStringLiteral("https://x.example"),
                          nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Link"));
        const QList<QLineEdit *> edits = dialog.findChildren<QLineEdit *>();
        QCOMPARE(edits.size(), 2);
        QCOMPARE(edits.at(0)->text(), QStringLiteral("text"));
        QVERIFY(edits.at(1)->minimumWidth() >= 360);
        edits.at(1)->setText(QStringLiteral("  https://y.example "));
        dialog.accept();
        const LinkChoice choice = dialog.choice();
        QVERIFY(choice.accepted);
        QCOMPARE(choice.url, QStringLiteral("https://y.example"));
    }

    void insertTableThroughToolbarDialog()
    {
        ScriptedEditor editor;
        EditorToolbar toolbar;
        toolbar.setEditor(&editor);
        showEditor(editor);
        bool answered = false;
        QTimer::singleShot(0, this, [&answered] {
            auto *dialog = qobject_cast<TableSizeDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const QList<QSpinBox *> spins = dialog->findChildren<QSpinBox *>();
            spins.at(0)->setValue(2);
            spins.at(1)->setValue(4);
            dialog->findChild<QCheckBox *>()->setChecked(false);
            dialog->accept();
            answered = true;
        });
        // A dialog left open would end the test here rather than hang it.
        QTimer::singleShot(5000, this, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        toolbar.insertTableAction()->trigger();
        QVERIFY(answered);
        QTextTable *table = editor.textCursor().currentTable();
        QVERIFY(table);
        QCOMPARE(table->rows(), 2);
        QCOMPARE(table->columns(), 4);
        QCOMPARE(table->format().headerRowCount(), 0);
        QVERIFY(!toolbar.insertTableAction()->isEnabled());
        QVERIFY(reloadsIdentically(editor));
    }

    void headerBarLayoutAndChip()
    {
        NoteHeaderBar bar;
        QCOMPARE(bar.height(), 40);
        QCOMPARE(bar.layout()->contentsMargins(), QMargins(8, 6, 10, 6));
        QCOMPARE(bar.notebookChip()->text(), QStringLiteral("Unorganized"));
        bar.setNotebookName(QStringLiteral("Work"));
        QCOMPARE(bar.notebookChip()->text(), QStringLiteral("Work"));
        bar.setNotebookName(QString());
        QCOMPARE(bar.notebookChip()->text(), QStringLiteral("Unorganized"));
        QCOMPARE(bar.focusToggle()->toolTip(), QStringLiteral("Toggle sidebars (Ctrl+\\)"));
        QCOMPARE(bar.copyButton()->size(), QSize(32, 28));
        QCOMPARE(bar.infoLabel()->font().family(), QStringLiteral("IBM Plex Mono"));
        QVERIFY(bar.notebookChip()->styleSheet().contains(QStringLiteral("#EFF1F4")));
        QCOMPARE(NoteHeaderBar::chipStyleSheet(true),
                 QStringLiteral("QPushButton {  background-color: #2A2D31;  color: #D7DBE0;  "
                                "border: none;  border-radius: 10px;  padding: 3px 10px 3px 8px;  "
                                "font-family: 'IBM Plex Sans';  font-size: 12px;  font-weight: "
                                "500;  text-align: left;}QPushButton:hover { background-color: "
                                "#34383D; }"));

        const QPalette saved = QApplication::palette();
        QPalette dark = saved;
        dark.setColor(QPalette::Window, QColor(QStringLiteral("#1A1A1A")));
        QApplication::setPalette(dark);
        NoteHeaderBar darkBar;
        QApplication::setPalette(saved);
        QVERIFY(darkBar.notebookChip()->styleSheet().contains(QStringLiteral("#2A2D31")));
    }

    void headerBarStates()
    {
        NoteHeaderBar bar;
        bar.show();
        QVERIFY(!bar.copyButton()->isEnabled());
        QVERIFY(!bar.notebookChip()->isEnabled());
        QVERIFY(bar.shareButton()->isHidden());
        bar.setShareVisible(true);
        QVERIFY(!bar.shareButton()->isHidden());
        QVERIFY(!bar.shareButton()->isEnabled());
        bar.setNoteActive(true);
        QVERIFY(bar.shareButton()->isEnabled());
        QVERIFY(bar.copyButton()->isEnabled());
        QVERIFY(bar.historyButton()->isEnabled());
        QVERIFY(bar.moreButton()->isEnabled());
        QVERIFY(bar.notebookChip()->isEnabled());
        bar.setMetaText(QStringLiteral("12 words"));
        QCOMPARE(bar.infoLabel()->text(), QStringLiteral("12 words"));
        bar.setShareVisible(false);
        QVERIFY(bar.shareButton()->isHidden());
        QVERIFY(!bar.shareButton()->isEnabled());
        bar.setNoteActive(false);
        QCOMPARE(bar.infoLabel()->text(), QString());
        QVERIFY(!bar.copyButton()->isEnabled());
        bar.setFocusToggleVisible(false);
        QVERIFY(bar.focusToggle()->isHidden());
    }

    void headerBarSignals()
    {
        NoteHeaderBar bar;
        bar.setNoteActive(true);
        QStringList emitted;
        const auto record = [&](const char *name) {
            return [&emitted, name] { emitted.append(QString::fromLatin1(name)); };
        };
        connect(&bar, &NoteHeaderBar::focusToggleClicked, this, record("focus"));
        connect(&bar, &NoteHeaderBar::notebookChipClicked, this, record("chip"));
        connect(&bar, &NoteHeaderBar::copyAsPlainTextRequested, this, record("plain"));
        connect(&bar, &NoteHeaderBar::copyAsMarkdownRequested, this, record("markdown"));
        connect(&bar, &NoteHeaderBar::copyAsHtmlRequested, this, record("html"));
        connect(&bar, &NoteHeaderBar::shareRequested, this, record("share"));
        connect(&bar, &NoteHeaderBar::historyRequested, this, record("history"));
        connect(&bar, &NoteHeaderBar::moveToNotebookRequested, this, record("move"));
        connect(&bar, &NoteHeaderBar::exportRequested, this, record("export"));
        connect(&bar, &NoteHeaderBar::printRequested, this, record("print"));
        connect(&bar, &NoteHeaderBar::deleteRequested, this, record("delete"));
        QSignalSpy todos(&bar, &NoteHeaderBar::includeInTodosToggled);

        bar.focusToggle()->click();
        bar.notebookChip()->click();
        for (QAction *action : bar.copyButton()->menu()->actions())
            action->trigger();
        bar.setShareVisible(true);
        bar.shareButton()->click();
        bar.historyButton()->click();
        QStringList moreTexts;
        for (QAction *action : bar.moreButton()->menu()->actions()) {
            moreTexts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
            if (!action->isSeparator() && action != bar.includeInTodosAction())
                action->trigger();
        }
        QCOMPARE(moreTexts.join(QLatin1Char(',')),
                 QStringLiteral("Include in To-Dos,-,Move to Notebook…,Export…,Print…,-,Move to "
                                "Trash"));
        QCOMPARE(emitted,
                 QStringList({"focus",
                              "chip",
                              "plain",
                              "markdown",
                              "html",
                              "share",
                              "history",
                              "move",
                              "export",
                              "print",
                              "delete"}));
        QCOMPARE(bar.copyButton()->popupMode(), QToolButton::InstantPopup);

        bar.includeInTodosAction()->trigger();
        QCOMPARE(todos.count(), 1);
        QCOMPARE(todos.last().at(0).toBool(), true);
        bar.setIncludeInTodos(false);
        QVERIFY(!bar.includeInTodosAction()->isChecked());
        bar.setIncludeInTodos(true);
        QVERIFY(bar.includeInTodosAction()->isChecked());
        QCOMPARE(todos.count(), 1);
    }
};

QTEST_MAIN(TestEditorBars)
#include "tst_editorbars.moc"
