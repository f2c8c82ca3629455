#include "uitestsupport.h"

#include "document/taskextraction.h"
#include "editor/noteeditor.h"
#include "ui/mainwindow.h"
#include "ui/notelistwidget.h"
#include "ui/searchscreen.h"
#include "ui/todosscreen.h"
#include "ui/trashscreen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

namespace {

QStringList listTexts(QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

// Answers the next message box with the given button and remembers its text.
struct MessageBoxAnswer
{
    QMessageBox::StandardButton button;
    QString title;
    QString text;
    std::unique_ptr<ModalAnswerer> answerer;

    explicit MessageBoxAnswer(QMessageBox::StandardButton b)
        : button(b)
    {
        answerer = std::make_unique<ModalAnswerer>([this](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            box->button(button)->click();
        });
    }
    int count() const { return answerer->count(); }
};

QJsonArray checklistBody(const QString &title, const QList<QPair<QString, bool>> &items)
{
    QJsonArray ops;
    ops.append(textOp(title + "\n"));
    for (const auto &item : items) {
        ops.append(textOp(item.first));
        ops.append(lineEnd(item.second ? "checked" : "unchecked"));
    }
    return ops;
}

} // namespace

class TestScreens : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void blankSearchShowsNothing_data();
    void blankSearchShowsNothing();
    void searchDebouncesAndSelects();

    void restoringOnlyTrashedNoteDisablesEmptyTrash();
    void emptyTrashOnEmptyTrashAsksNothing();
    void emptyTrashAsksWithCount_data();
    void emptyTrashAsksWithCount();
    void deletePermanentlyAsksFirst();

    void setChecklistItemState_data();
    void setChecklistItemState();
    void todoItemsCarrySourceRolesAndStyle();
    void markdownCheckboxSpringsBack();
    void checkingChecklistTaskRewritesNote();
    void checkingTaskUpdatesOpenEditor();
    void filterMatchesTaskTextOnly_data();
    void filterMatchesTaskTextOnly();
    void sortOrders();
    void noteSwitchedOffContributesNothing();

private:
    std::unique_ptr<UiTestStore> m_store;
};

void TestScreens::init()
{
    m_store = std::make_unique<UiTestStore>();
    QVERIFY(m_store->open());
}

void TestScreens::cleanup()
{
    m_store.reset();
}

void TestScreens::blankSearchShowsNothing_data()
{
    QTest::addColumn<QString>("query");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("tab and newline") << "\t \n";
}

void TestScreens::blankSearchShowsNothing()
{
    QFETCH(QString, query);
    m_store->addPlainNote("Meeting notes");
    m_store->addPlainNote("Groceries");

    SearchScreen screen(m_store->state.get());
    screen.searchField()->setText("meet");
    screen.refresh();
    QCOMPARE(screen.noteList()->count(), 1);

    screen.searchField()->setText(query);
    screen.refresh();
    QCOMPARE(screen.noteList()->count(), 0);
}

void TestScreens::searchDebouncesAndSelects()
{
    const Note meeting = m_store->addPlainNote("Meeting notes");
    m_store->addPlainNote("Groceries");
    SearchScreen screen(m_store->state.get());
    screen.present();
    QCOMPARE(screen.windowTitle(), QString("Search — Velmora Notes"));
    QCOMPARE(screen.size(), QSize(600, 500));

    QTest::keyClicks(screen.searchField(), "meet");
    // Nothing is searched until the typing pauses.
    QCOMPARE(screen.noteList()->count(), 0);
    QTRY_COMPARE(screen.noteList()->count(), 1);
    QCOMPARE(screen.noteList()->notes().first().id, meeting.id);

    screen.noteList()->setCurrentRow(0);
    QCOMPARE(m_store->state->currentNoteId(), meeting.id);
}

void TestScreens::restoringOnlyTrashedNoteDisablesEmptyTrash()
{
    const Note note = m_store->addPlainNote("Old idea");
    m_store->addPlainNote("Kept");
    QVERIFY(m_store->state->notes()->moveToTrash(note.id));

    TrashScreen screen(m_store->state.get());
    screen.present();
    QCOMPARE(screen.windowTitle(), QString("Trash — Velmora Notes"));
    QCOMPARE(screen.noteList()->count(), 1);
    QVERIFY(screen.emptyButton()->isEnabled());
    QVERIFY(!screen.restoreButton()->isEnabled());
    QVERIFY(!screen.deleteButton()->isEnabled());

    screen.noteList()->setCurrentRow(0);
    QVERIFY(screen.restoreButton()->isEnabled());
    QVERIFY(screen.deleteButton()->isEnabled());
    screen.restoreButton()->click();

    QCOMPARE(screen.noteList()->count(), 0);
    QVERIFY(!screen.emptyButton()->isEnabled());
    QVERIFY(!screen.restoreButton()->isEnabled());
    QVERIFY(!screen.deleteButton()->isEnabled());
    const auto restored = m_store->state->notes()->get(note.id);
    QVERIFY(restored);
    QVERIFY(!restored->deletedAt);
    QCOMPARE(restored->syncStatus, SyncStatus::Pending);
}

void TestScreens::emptyTrashOnEmptyTrashAsksNothing()
{
    m_store->addPlainNote("Not trashed");
    TrashScreen screen(m_store->state.get());
    screen.reload();
    MessageBoxAnswer answer(QMessageBox::Yes);
    // The button is disabled for an empty trash; the action itself must
    // still ask nothing when the trash emptied behind its back.
    QMetaObject::invokeMethod(screen.emptyButton(), "clicked", Q_ARG(bool, false));
    QTest::qWait(50);
    QCOMPARE(answer.count(), 0);
    QCOMPARE(m_store->state->notes()->listAll().size(), 1);
}

void TestScreens::emptyTrashAsksWithCount_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestScreens::emptyTrashAsksWithCount()
{
    QFETCH(bool, yes);
    const Note a = m_store->addPlainNote("First");
    const Note b = m_store->addPlainNote("Second");
    m_store->addPlainNote("Kept");
    m_store->state->notes()->moveToTrash(a.id);
    m_store->state->notes()->moveToTrash(b.id);

    TrashScreen screen(m_store->state.get());
    screen.reload();
    MessageBoxAnswer answer(yes ? QMessageBox::Yes : QMessageBox::No);
    screen.emptyButton()->click();
    QCOMPARE(answer.count(), 1);
    QCOMPARE(answer.title, QString("Empty Trash"));
    QCOMPARE(answer.text,
             QString("Permanently delete all 2 notes in trash? This cannot be undone."));
    QCOMPARE(m_store->state->notes()->listTrash().size(), yes ? 0 : 2);
    QCOMPARE(screen.noteList()->count(), yes ? 0 : 2);
    QCOMPARE(screen.emptyButton()->isEnabled(), !yes);
    QCOMPARE(m_store->state->notes()->listAll().size(), 1);
}

void TestScreens::deletePermanentlyAsksFirst()
{
    const Note a = m_store->addPlainNote("Gone");
    m_store->state->notes()->moveToTrash(a.id);
    TrashScreen screen(m_store->state.get());
    screen.reload();
    screen.noteList()->setCurrentRow(0);
    {
        MessageBoxAnswer answer(QMessageBox::No);
        screen.deleteButton()->click();
        QCOMPARE(answer.count(), 1);
        QCOMPARE(answer.title, QString("Delete Permanently"));
        QCOMPARE(answer.text,
                 QString("This note will be permanently deleted. This cannot be undone."));
    }
    QVERIFY(m_store->state->notes()->get(a.id));
    MessageBoxAnswer answer(QMessageBox::Yes);
    screen.deleteButton()->click();
    QVERIFY(!m_store->state->notes()->get(a.id));
    QCOMPARE(screen.noteList()->count(), 0);
}

void TestScreens::setChecklistItemState_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("expected");

    const QString list = R"([{"insert":"Title\n"},{"insert":"Milk"},)"
                         R"({"insert":"\n","attributes":{"list":"unchecked"}},{"insert":"Eggs"},)"
                         R"({"insert":"\n","attributes":{"list":"checked"}}])";
    QTest::newRow("check line 1")
        << list << 1 << true
        << R"([{"insert":"Title\n"},{"insert":"Milk"},{"attributes":{"list":"checked"},"insert":"\n"},)"
           R"({"insert":"Eggs"},{"attributes":{"list":"checked"},"insert":"\n"}])";
    QTest::newRow("uncheck line 2")
        << list << 2 << false
        << R"([{"insert":"Title\n"},{"insert":"Milk"},{"attributes":{"list":"unchecked"},"insert":"\n"},)"
           R"({"insert":"Eggs"},{"attributes":{"list":"unchecked"},"insert":"\n"}])";
    QTest::newRow("line past the end") << list << 3 << true << "";
    QTest::newRow("negative line") << list << -1 << true << "";
    QTest::newRow("not a check-list line") << list << 0 << true << "";
    QTest::newRow("not json") << "plain text" << 0 << true << "";
    QTest::newRow("json object") << R"({"insert":"x\n"})" << 0 << true << "";
    // Several lines in one op: only the requested line changes.
    QTest::newRow("split op") << R"([{"insert":"a\nb\nc\n","attributes":{"list":"unchecked"}}])"
                              << 1 << true
                              << R"([{"attributes":{"list":"unchecked"},"insert":"a\nb"},)"
                                 R"({"attributes":{"list":"checked"},"insert":"\n"},)"
                                 R"({"attributes":{"list":"unchecked"},"insert":"c\n"}])";
}

void TestScreens::setChecklistItemState()
{
    QFETCH(QString, body);
    QFETCH(int, line);
    QFETCH(bool, checked);
    QFETCH(QString, expected);
    const QString result = TodosScreen::setChecklistItemState(body, line, checked);
    if (expected.isEmpty()) {
        QCOMPARE(result, QString());
        return;
    }
    QCOMPARE(QJsonDocument::fromJson(result.toUtf8()), QJsonDocument::fromJson(expected.toUtf8()));
}

void TestScreens::todoItemsCarrySourceRolesAndStyle()
{
    QJsonArray ops = checklistBody("Chores", {{"Sweep", false}, {"Dust", true}});
    ops.append(textOp("- [x] Mail letter\nTODO: call mum\n"));
    const Note note = m_store->addNote(ops);

    TodosScreen screen(m_store->state.get());
    screen.showCompletedBox()->setChecked(true);
    QCOMPARE(screen.taskList()->count(), 4);

    QHash<QString, QListWidgetItem *> byText;
    for (int row = 0; row < screen.taskList()->count(); ++row)
        byText.insert(screen.taskList()->item(row)->text(), screen.taskList()->item(row));
    QListWidgetItem *sweep = byText.value("Sweep  — Chores");
    QListWidgetItem *dust = byText.value("Dust  — Chores");
    QListWidgetItem *mail = byText.value("Mail letter  — Chores");
    QListWidgetItem *call = byText.value("call mum  — Chores");
    QVERIFY(sweep && dust && mail && call);

    QCOMPARE(sweep->data(256).toString(), note.id);
    QCOMPARE(sweep->data(257).toInt(), 1);
    QCOMPARE(sweep->data(258).toInt(), 0);
    QCOMPARE(mail->data(257).toInt(), 3);
    QCOMPARE(mail->data(258).toInt(), 1);
    QCOMPARE(call->data(258).toInt(), 2);

    QVERIFY(sweep->flags() & Qt::ItemIsUserCheckable);
    QVERIFY(!(mail->flags() & Qt::ItemIsUserCheckable));
    QVERIFY(!(call->flags() & Qt::ItemIsUserCheckable));
    QCOMPARE(sweep->checkState(), Qt::Unchecked);
    QCOMPARE(dust->checkState(), Qt::Checked);
    QVERIFY(dust->font().strikeOut());
    QCOMPARE(dust->foreground().color().name(), QString("#9e9e9e"));
    QVERIFY(!sweep->font().strikeOut());
    QVERIFY(mail->font().strikeOut());

    screen.showCompletedBox()->setChecked(false);
    QCOMPARE(listTexts(screen.taskList()).size(), 2);
}

void TestScreens::markdownCheckboxSpringsBack()
{
    const Note note = m_store->addNote(QJsonArray{textOp("List\n- [x] Done thing\n")});
    TodosScreen screen(m_store->state.get());
    screen.showCompletedBox()->setChecked(true);
    QCOMPARE(screen.taskList()->count(), 1);
    QListWidgetItem *item = screen.taskList()->item(0);
    QCOMPARE(item->checkState(), Qt::Checked);

    QSignalSpy external(m_store->state.get(), &AppState::noteUpdatedExternally);
    item->setCheckState(Qt::Unchecked);
    QCOMPARE(item->checkState(), Qt::Checked);
    QCOMPARE(external.count(), 0);
    QCOMPARE(m_store->state->notes()->get(note.id)->body, note.body);
}

void TestScreens::checkingChecklistTaskRewritesNote()
{
    const Note note = m_store->addNote(
        checklistBody("Shopping", {{"Milk", false}, {"Bread", false}}));
    TodosScreen screen(m_store->state.get());
    screen.present();
    QCOMPARE(screen.windowTitle(), QString("To-Dos — Velmora Notes"));
    QCOMPARE(listTexts(screen.taskList()), (QStringList{"Milk  — Shopping", "Bread  — Shopping"}));

    QSignalSpy external(m_store->state.get(), &AppState::noteUpdatedExternally);
    screen.taskList()->item(0)->setCheckState(Qt::Checked);

    QCOMPARE(external.count(), 1);
    QCOMPARE(external.at(0).at(0).toString(), note.id);
    QCOMPARE(external.at(0).at(1).value<QObject *>(), &screen);
    const auto stored = m_store->state->notes()->get(note.id);
    QVERIFY(stored);
    QCOMPARE(stored->version, note.version + 1);
    QCOMPARE(stored->syncStatus, SyncStatus::Pending);
    QVERIFY(stored->updatedAt >= note.updatedAt);
    const QList<NoteTask> tasks = extractTasks(note.id, stored->body, stored->updatedAt);
    QCOMPARE(tasks.size(), 2);
    QVERIFY(tasks.at(0).completed);
    QVERIFY(!tasks.at(1).completed);

    // With "Show Completed" off the ticked task leaves on the refresh the
    // store change triggers.
    QTRY_COMPARE(listTexts(screen.taskList()), QStringList{"Bread  — Shopping"});

    // Unticking from the list brings it back as open.
    screen.showCompletedBox()->setChecked(true);
    QListWidgetItem *milk
        = screen.taskList()->findItems("Milk  — Shopping", Qt::MatchExactly).value(0);
    QVERIFY(milk);
    milk->setCheckState(Qt::Unchecked);
    QVERIFY(!extractTasks(note.id, m_store->state->notes()->get(note.id)->body, {}).at(0).completed);
}

void TestScreens::checkingTaskUpdatesOpenEditor()
{
    // The main window keeps its layout in the settings; keep them here.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat,
                       QSettings::UserScope,
                       m_store->dir.filePath("settings"));
    const Note note = m_store->addNote(checklistBody("Packing", {{"Socks", false}}));
    m_store->state->setCurrentNoteId(note.id);
    MainWindow window(m_store->state.get());
    QCOMPARE(window.editor()->currentNoteId(), note.id);
    QVERIFY(!extractTasks(note.id, window.editor()->noteJson(), {}).at(0).completed);

    TodosScreen screen(m_store->state.get());
    screen.present();
    QCOMPARE(screen.taskList()->count(), 1);
    screen.taskList()->item(0)->setCheckState(Qt::Checked);

    const QList<NoteTask> shown = extractTasks(note.id, window.editor()->noteJson(), {});
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.at(0).completed);
    QTRY_COMPARE(screen.taskList()->count(), 0);
}

void TestScreens::filterMatchesTaskTextOnly_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("lower case") << "milk" << QStringList{"Buy MILK  — Errands"};
    QTest::newRow("middle of a word") << "ILK" << QStringList{"Buy MILK  — Errands"};
    QTest::newRow("padded") << "  post " << QStringList{"Post parcel  — Errands"};
    QTest::newRow("note title only") << "errands" << QStringList{};
    QTest::newRow("blank") << "   " << QStringList{"Buy MILK  — Errands", "Post parcel  — Errands"};
}

void TestScreens::filterMatchesTaskTextOnly()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    m_store->addNote(checklistBody("Errands", {{"Buy MILK", false}, {"Post parcel", false}}));
    TodosScreen screen(m_store->state.get());
    screen.filterField()->setText(filter);
    QStringList texts = listTexts(screen.taskList());
    texts.sort();
    QCOMPARE(texts, expected);
}

void TestScreens::sortOrders()
{
    const QDateTime older = QDateTime::currentDateTimeUtc().addDays(-2);
    const QDateTime newer = QDateTime::currentDateTimeUtc().addDays(-1);
    m_store->addNote(checklistBody("Old", {{"zebra", false}}), older);
    m_store->addNote(checklistBody("New", {{"Apple", false}, {"banana", false}}), newer);

    TodosScreen screen(m_store->state.get());
    screen.refresh();
    QStringList texts = listTexts(screen.taskList());
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts.last(), QString("zebra  — Old"));

    screen.sortCombo()->setCurrentIndex(screen.sortCombo()->findData("alpha"));
    QCOMPARE(listTexts(screen.taskList()),
             (QStringList{"Apple  — New", "banana  — New", "zebra  — Old"}));
}

void TestScreens::noteSwitchedOffContributesNothing()
{
    const Note off = m_store->addNote(checklistBody("Private", {{"Hidden task", false}}));
    m_store->addNote(checklistBody("Public", {{"Shown task", false}}));
    QVERIFY(m_store->state->notes()->setIncludeInTodos(off.id, false));
    TodosScreen screen(m_store->state.get());
    screen.refresh();
    QCOMPARE(listTexts(screen.taskList()), QStringList{"Shown task  — Public"});
}

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
