#include "mainwintestsupport.h"

#include "document/appearance.h"
#include "ui/notebooklistdelegate.h"
#include "ui/notebooklistwidget.h"
#include "ui/noteflows.h"
#include "ui/notelistdelegate.h"
#include "ui/notelistwidget.h"
#include "ui/relativetime.h"
#include "ui/statusbar.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

class TstNoteList : public QObject
{
    Q_OBJECT

private slots:
    void relativeTime_data();
    void relativeTime();
    void relativeTimeCalendarRules();
    void noteListMetrics_data();
    void noteListMetrics();
    void notebookListMetrics();
    void rowsCarryRoles();
    void refillKeepsSelectionSilently();
    void keysReportActivationAndDeletion();
    void dragCarriesNoteId();
    void sidebarRows();
    void sidebarClicksAndDropRules();
    void statusBarTexts();
    void printCopyUsesPoints();
};

namespace {

Note makeNote(const QString &body)
{
    Note note = Note::create();
    note.body = body;
    return note;
}

} // namespace

void TstNoteList::relativeTime_data()
{
    QTest::addColumn<int>("secondsAgo");
    QTest::addColumn<QString>("expected");
    QTest::newRow("59 s") << 59 << "just now";
    QTest::newRow("60 s") << 60 << "1m ago";
    QTest::newRow("3599 s") << 3599 << "59m ago";
    QTest::newRow("3600 s") << 3600 << "1h ago";
    QTest::newRow("23 h") << 23 * 3600 << "23h ago";
}

void TstNoteList::relativeTime()
{
    QFETCH(int, secondsAgo);
    QFETCH(QString, expected);
    const QDateTime now(QDate(2026, 6, 10), QTime(23, 30));
    QCOMPARE(formatRelativeTime(now.addSecs(-secondsAgo).toUTC(), now), expected);
}

void TstNoteList::relativeTimeCalendarRules()
{
    const QDateTime now(QDate(2026, 6, 10), QTime(9, 0));
    // 23 hours ago falls on yesterday but the hours form wins.
    QCOMPARE(formatRelativeTime(now.addSecs(-23 * 3600), now), QStringLiteral("23h ago"));
    QCOMPARE(formatRelativeTime(QDateTime(QDate(2026, 6, 9), QTime(8, 0)), now),
             QStringLiteral("Yesterday"));
    const QDate twoDays(2026, 6, 8);
    QCOMPARE(formatRelativeTime(QDateTime(twoDays, QTime(12, 0)), now),
             QLocale().dayName(twoDays.dayOfWeek(), QLocale::LongFormat));
    QCOMPARE(formatRelativeTime(QDateTime(QDate(2026, 6, 2), QTime(12, 0)), now),
             QStringLiteral("Jun 2"));
    QCOMPARE(formatRelativeTime(QDateTime(QDate(2025, 12, 24), QTime(12, 0)), now),
             QStringLiteral("Dec 24, 2025"));
    // Future times show the date.
    QCOMPARE(formatRelativeTime(QDateTime(QDate(2026, 7, 4), QTime(12, 0)), now),
             QStringLiteral("Jul 4"));
    QCOMPARE(formatRelativeTime(QDateTime(QDate(2027, 1, 4), QTime(12, 0)), now),
             QStringLiteral("Jan 4, 2027"));
    QCOMPARE(formatRelativeTime(QDateTime()), QString());
}

void TstNoteList::noteListMetrics_data()
{
    QTest::addColumn<int>("body");
    QTest::addColumn<QList<int>>("expected"); // title, preview, date, notebook, row
    QTest::newRow("12 pt") << 16 << QList<int>{15, 13, 11, 12, 91};
    QTest::newRow("unset") << 0 << QList<int>{15, 13, 11, 12, 91};
    QTest::newRow("tiny") << 6 << QList<int>{10, 9, 8, 9, 76};
    QTest::newRow("18 pt") << 24 << QList<int>{23, 20, 17, 18, 117};
}

void TstNoteList::noteListMetrics()
{
    QFETCH(int, body);
    QFETCH(QList<int>, expected);
    const NoteListDelegate::Metrics m = NoteListDelegate::metrics(body);
    QCOMPARE((QList<int>{m.titleSize, m.previewSize, m.dateSize, m.notebookSize, m.rowHeight}),
             expected);
}

void TstNoteList::notebookListMetrics()
{
    const NotebookListDelegate::Metrics m = NotebookListDelegate::metrics(16);
    QCOMPARE(m.labelSize, 14);
    QCOMPARE(m.countSize, 11);
    QCOMPARE(m.rowHeight, 37);
    QCOMPARE(NotebookListDelegate::metrics(4).rowHeight, 36);
}

void TstNoteList::rowsCarryRoles()
{
    NoteListWidget list;
    list.setNotebookNameResolver([](const QString &id) {
        return id == QLatin1String("nb") ? QStringLiteral("Work") : QString();
    });
    Note titled = makeNote(QStringLiteral("[{\"insert\":\"Shopping\\nmilk\\neggs\\n\"}]"));
    titled.notebookId = QStringLiteral("nb");
    titled.isShared = true;
    titled.syncStatus = SyncStatus::Conflict;
    Note blankTitle = makeNote(QStringLiteral("[{\"insert\":\"\\nonly preview\\n\"}]"));
    blankTitle.syncStatus = SyncStatus::Synced;
    const Note empty = makeNote(QStringLiteral("[{\"insert\":\"\\n\"}]"));
    list.setNotes({titled, blankTitle, empty});

    QCOMPARE(list.count(), 3);
    QListWidgetItem *first = list.item(0);
    QCOMPARE(first->data(NoteListWidget::NoteIdRole).toString(), titled.id);
    QCOMPARE(first->data(NoteListWidget::TitleRole).toString(), QStringLiteral("Shopping"));
    QCOMPARE(first->data(NoteListWidget::PreviewRole).toString(), QStringLiteral("milk eggs"));
    QCOMPARE(first->data(NoteListWidget::UpdatedRole).toDateTime(), titled.updatedAt);
    QCOMPARE(first->data(NoteListWidget::NotebookNameRole).toString(), QStringLiteral("Work"));
    QCOMPARE(first->data(NoteListWidget::UntitledRole).toBool(), false);
    QCOMPARE(first->data(NoteListWidget::SharedRole).toBool(), true);
    QCOMPARE(first->data(NoteListWidget::SyncStatusRole).toInt(), 2);

    QCOMPARE(list.item(1)->data(NoteListWidget::TitleRole).toString(),
             QStringLiteral("only preview"));
    QCOMPARE(list.item(1)->data(NoteListWidget::PreviewRole).toString(), QString());
    QCOMPARE(list.item(1)->data(NoteListWidget::UntitledRole).toBool(), true);
    QCOMPARE(list.item(1)->data(NoteListWidget::SyncStatusRole).toInt(), 1);
    QCOMPARE(list.item(2)->data(NoteListWidget::TitleRole).toString(), QStringLiteral("Untitled"));
    QCOMPARE(list.item(2)->data(NoteListWidget::UntitledRole).toBool(), true);

    // Painting every kind of row must not trip over any of them.
    list.resize(300, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.visualItemRect(list.item(0)).height(),
             NoteListDelegate::currentMetrics().rowHeight);
    list.grab();
}

void TstNoteList::refillKeepsSelectionSilently()
{
    NoteListWidget list;
    const Note a = makeNote(QStringLiteral("[{\"insert\":\"A\\n\"}]"));
    const Note b = makeNote(QStringLiteral("[{\"insert\":\"B\\n\"}]"));
    list.setNotes({a, b});
    QSignalSpy selected(&list, &NoteListWidget::noteSelected);
    list.selectNote(b.id);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.first().first().toString(), b.id);

    list.setNotes({b, a});
    QCOMPARE(selected.count(), 1);
    QCOMPARE(list.currentNoteId(), b.id);
    QCOMPARE(list.currentRow(), 0);

    list.setNotes({a});
    QCOMPARE(selected.count(), 1);
    QVERIFY(list.currentNoteId().isEmpty());
    list.selectNote(QStringLiteral("missing"));
    QCOMPARE(selected.count(), 1);
}

void TstNoteList::keysReportActivationAndDeletion()
{
    NoteListWidget list;
    const Note a = makeNote(QStringLiteral("[{\"insert\":\"A\\n\"}]"));
    list.setNotes({a});
    QSignalSpy activated(&list, &NoteListWidget::noteActivated);
    QSignalSpy deleted(&list, &NoteListWidget::noteDeleteRequested);

    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(deleted.count(), 0);

    list.selectNote(a.id);
    QTest::keyClick(&list, Qt::Key_Return);
    QTest::keyClick(&list, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(activated.count(), 2);
    QCOMPARE(deleted.count(), 1);
    QCOMPARE(deleted.first().first().toString(), a.id);
}

class MimeProbe : public NoteListWidget
{
public:
    using NoteListWidget::mimeData;
    using NoteListWidget::mimeTypes;
};

void TstNoteList::dragCarriesNoteId()
{
    MimeProbe list;
    const Note a = makeNote(QStringLiteral("[{\"insert\":\"A\\n\"}]"));
    list.setNotes({a});
    QCOMPARE(list.mimeTypes(), QStringList{QStringLiteral("application/x-velmora-note-id")});
    QCOMPARE(list.mimeData({}), nullptr);
    std::unique_ptr<QMimeData> data(list.mimeData({list.item(0)}));
    QCOMPARE(data->data(QStringLiteral("application/x-velmora-note-id")), a.id.toUtf8());
    QCOMPARE(list.dragDropMode(), QAbstractItemView::DragOnly);
}

void TstNoteList::sidebarRows()
{
    NotebookListWidget sidebar;
    sidebar.setNotebooks({}, {}, QString(), 0);
    QCOMPARE(sidebar.count(), 3);
    QCOMPARE(sidebar.item(0)->data(NotebookListWidget::LabelRole).toString(),
             QStringLiteral("All Notes"));
    QCOMPARE(sidebar.item(1)->data(NotebookListWidget::LabelRole).toString(),
             QStringLiteral("Trash"));
    QCOMPARE(sidebar.item(2)->data(NotebookListWidget::LabelRole).toString(),
             QStringLiteral("New Notebook…"));
    QCOMPARE(sidebar.currentRow(), 0);

    Notebook live;
    live.id = QStringLiteral("n1");
    live.name = QStringLiteral("Live");
    live.isShared = true;
    Notebook gone = live;
    gone.id = QStringLiteral("n2");
    gone.deletedAt = QDateTime::currentDateTimeUtc();
    QHash<QString, int> counts{{QString(), 5}, {QStringLiteral("n1"), 2}};
    sidebar.setNotebooks({live, gone}, counts, QStringLiteral("n1"), 3);
    QCOMPARE(sidebar.count(), 4);
    QCOMPARE(sidebar.currentRow(), 1);
    QCOMPARE(sidebar.item(0)->data(NotebookListWidget::CountRole).toInt(), 5);
    QCOMPARE(sidebar.item(1)->data(NotebookListWidget::CountRole).toInt(), 2);
    QCOMPARE(sidebar.item(1)->data(NotebookListWidget::SharedRole).toBool(), true);
    QCOMPARE(sidebar.item(2)->data(NotebookListWidget::CountRole).toInt(), 3);
    QVERIFY(sidebar.item(1)->flags() & Qt::ItemIsDropEnabled);
    QVERIFY(!(sidebar.item(2)->flags() & Qt::ItemIsDropEnabled));
    QVERIFY(!(sidebar.item(3)->flags() & Qt::ItemIsDropEnabled));

    // An unknown current notebook leaves All Notes selected.
    sidebar.setNotebooks({live}, counts, QStringLiteral("elsewhere"), 0);
    QCOMPARE(sidebar.currentRow(), 0);

    sidebar.resize(220, 300);
    sidebar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sidebar));
    sidebar.grab();
}

void TstNoteList::sidebarClicksAndDropRules()
{
    NotebookListWidget sidebar;
    Notebook nb;
    nb.id = QStringLiteral("n1");
    nb.name = QStringLiteral("Box");
    sidebar.setNotebooks({nb}, {}, QString(), 0);
    sidebar.resize(220, 300);
    sidebar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sidebar));

    QSignalSpy all(&sidebar, &NotebookListWidget::allNotesSelected);
    QSignalSpy notebook(&sidebar, &NotebookListWidget::notebookSelected);
    QSignalSpy trash(&sidebar, &NotebookListWidget::trashSelected);
    QSignalSpy create(&sidebar, &NotebookListWidget::newNotebookRequested);
    QSignalSpy dropped(&sidebar, &NotebookListWidget::noteDroppedOnNotebook);
    auto click = [&sidebar](int row) {
        QTest::mouseClick(sidebar.viewport(),
                          Qt::LeftButton,
                          {},
                          sidebar.visualItemRect(sidebar.item(row)).center());
    };
    click(1);
    click(2);
    click(3);
    click(0);
    QCOMPARE(notebook.count(), 1);
    QCOMPARE(notebook.first().first().toString(), QStringLiteral("n1"));
    // A right click asks for the menu and leaves the selection where it is.
    QSignalSpy menu(&sidebar, &NotebookListWidget::notebookContextMenuRequested);
    const QPoint boxCentre = sidebar.visualItemRect(sidebar.item(1)).center();
    const int rowBefore = sidebar.currentRow();
    QVERIFY(rowBefore != 1);
    QTest::mousePress(sidebar.viewport(), Qt::RightButton, {}, boxCentre);
    QTest::mouseRelease(sidebar.viewport(), Qt::RightButton, {}, boxCentre);
    QContextMenuEvent request(QContextMenuEvent::Mouse,
                              boxCentre,
                              sidebar.viewport()->mapToGlobal(boxCentre));
    QCoreApplication::sendEvent(sidebar.viewport(), &request);
    QCOMPARE(sidebar.currentRow(), rowBefore);
    QCOMPARE(menu.count(), 1);
    QCOMPARE(menu.first().first().toString(), QStringLiteral("n1"));
    QCOMPARE(trash.count(), 1);
    QCOMPARE(create.count(), 1);
    QCOMPARE(all.count(), 1);

    auto drag = [&sidebar](int row, const QByteArray &id) {
        const QPoint pos = sidebar.visualItemRect(sidebar.item(row)).center();
        QMimeData data;
        data.setData(QStringLiteral("application/x-velmora-note-id"), id);
        QDragEnterEvent enter(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sidebar.viewport(), &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sidebar.viewport(), &move);
        QDropEvent drop(QPointF(pos), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sidebar.viewport(), &drop);
        return std::make_pair(move.isAccepted(), drop.isAccepted());
    };
    QCOMPARE(drag(2, "note-1"), std::make_pair(false, false)); // Trash
    QCOMPARE(drag(3, "note-1"), std::make_pair(false, false)); // New Notebook…
    QCOMPARE(dropped.count(), 0);
    QCOMPARE(drag(0, "note-1"), std::make_pair(true, true));
    QCOMPARE(drag(1, "note-2"), std::make_pair(true, true));
    QCOMPARE(dropped.count(), 2);
    QCOMPARE(dropped.at(0), (QVariantList{QStringLiteral("note-1"), QString()}));
    QCOMPARE(dropped.at(1), (QVariantList{QStringLiteral("note-2"), QStringLiteral("n1")}));
    // Showing the drop target never reports a selection.
    QCOMPARE(all.count() + notebook.count(), 2);
}

void TstNoteList::statusBarTexts()
{
    QWidget host;
    StatusBar bar(&host);
    QCOMPARE(bar.locationText(), QStringLiteral("All Notes"));
    QCOMPARE(bar.accountText(), QStringLiteral("Not signed in"));
    bar.setLocation(QStringLiteral("Work"), 1);
    QCOMPARE(bar.locationText(), QStringLiteral("Work (1 note)"));
    bar.setLocation(QStringLiteral("Work"), 0);
    QCOMPARE(bar.locationText(), QStringLiteral("Work (0 notes)"));
    bar.setLocation(QStringLiteral("Notes"), -1);
    QCOMPARE(bar.locationText(), QStringLiteral("Notes"));

    bar.setWordCount(1);
    QCOMPARE(bar.editorText(), QStringLiteral("Words: 1"));
    bar.setSaveState(false);
    QCOMPARE(bar.editorText(), QStringLiteral("Words: 1 · Saving..."));
    bar.setWordCount(2);
    bar.setSaveState(true);
    QCOMPARE(bar.editorText(), QStringLiteral("Words: 2 · Saved"));
    bar.setWordCount(-1);
    QCOMPARE(bar.editorText(), QString());
    bar.setSaveState(true);
    QCOMPARE(bar.editorText(), QStringLiteral("Saved"));

    bar.finishUpdateWithMessage(QStringLiteral("Up to date"), 3000);
    QCOMPARE(bar.currentMessage(), QStringLiteral("Up to date"));
}

void TstNoteList::printCopyUsesPoints()
{
    QTextDocument source;
    QFont base;
    base.setPixelSize(16);
    source.setDefaultFont(base);
    QTextCursor cursor(&source);
    QTextCharFormat big;
    QFont bigFont;
    bigFont.setPixelSize(32);
    big.setFont(bigFont);
    cursor.insertText(QStringLiteral("Title"), big);
    cursor.insertText(QStringLiteral(" body"), QTextCharFormat());

    std::unique_ptr<QTextDocument> copy(createPrintCopy(&source));
    QCOMPARE(copy->documentMargin(), 36.0);
    QCOMPARE(copy->defaultFont().pointSizeF(), 12.0);
    QCOMPARE(copy->toPlainText(), source.toPlainText());
    const QTextFragment first = copy->begin().begin().fragment();
    QCOMPARE(first.text(), QStringLiteral("Title"));
    QCOMPARE(first.charFormat().font().pointSizeF(), 24.0);
    // The source keeps its pixel sizes.
    QCOMPARE(source.begin().begin().fragment().charFormat().font().pixelSize(), 32);
}

QTEST_MAIN(TstNoteList)
#include "tst_notelist.moc"
