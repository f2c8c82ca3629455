#include "document/taskextraction.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class TestTaskExtraction : public QObject
{
    Q_OBJECT

private:
    // A body whose lines are given as (text, list kind) pairs, each ended
    // by a newline op.
    static QString body(const QList<QPair<QString, QString>> &lines)
    {
        QJsonArray ops;
        for (const auto &line : lines) {
            if (!line.first.isEmpty())
                ops.append(QJsonObject{{"insert", line.first}});
            QJsonObject newline{{"insert", "\n"}};
            if (!line.second.isEmpty())
                newline.insert("attributes", QJsonObject{{"list", line.second}});
            ops.append(newline);
        }
        return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
    }

private slots:
    void patterns_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("completed");
        QTest::addColumn<int>("source");

        QTest::newRow("checked item")
            << "  Buy milk "
            << "checked" << true << "Buy milk" << true << int(TaskSource::Checklist);
        QTest::newRow("unchecked item")
            << "Call"
            << "unchecked" << true << "Call" << false << int(TaskSource::Checklist);
        QTest::newRow("empty item") << "   "
                                    << "checked" << false << "" << false << 0;
        QTest::newRow("bullet is no task") << "Call"
                                           << "bullet" << false << "" << false << 0;
        QTest::newRow("upper X") << "- [X] ship it"
                                 << "" << true << "ship it" << true
                                 << int(TaskSource::MarkdownCheckbox);
        QTest::newRow("lower x spaced")
            << "-  [x]   done"
            << "" << true << "done" << true << int(TaskSource::MarkdownCheckbox);
        QTest::newRow("open box") << "- [ ] write tests"
                                  << "" << true << "write tests" << false
                                  << int(TaskSource::MarkdownCheckbox);
        QTest::newRow("open box single letter")
            << "-[]a"
            << "" << true << "a" << false << int(TaskSource::MarkdownCheckbox);
        QTest::newRow("todo lower case")
            << "todo: pay rent"
            << "" << true << "pay rent" << false << int(TaskSource::TodoPrefix);
        QTest::newRow("todo indented")
            << "   TODO:fix"
            << "" << true << "fix" << false << int(TaskSource::TodoPrefix);
        QTest::newRow("todo alone") << "TODO:"
                                    << "" << false << "" << false << 0;
        QTest::newRow("todo spaces only") << "TODO:    "
                                          << "" << false << "" << false << 0;
        QTest::newRow("plain") << "just text"
                               << "" << false << "" << false << 0;
        QTest::newRow("checked todo counted once")
            << "TODO: file taxes"
            << "checked" << true << "TODO: file taxes" << true << int(TaskSource::Checklist);
        QTest::newRow("checked markdown line")
            << "- [ ] x"
            << "checked" << true << "- [ ] x" << true << int(TaskSource::Checklist);
    }

    void patterns()
    {
        QFETCH(QString, line);
        QFETCH(QString, list);
        QFETCH(bool, found);
        const QDateTime updated(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
        const QList<NoteTask> tasks = extractTasks(QStringLiteral("n1"),
                                                   body({{line, list}}),
                                                   updated);
        QCOMPARE(tasks.size(), found ? 1 : 0);
        if (!found)
            return;
        const NoteTask &task = tasks.first();
        QTEST(task.text, "text");
        QTEST(task.completed, "completed");
        QTEST(int(task.source), "source");
        QCOMPARE(task.noteId, QStringLiteral("n1"));
        QCOMPARE(task.lineIndex, 0);
        QCOMPARE(task.noteUpdatedAt, updated);
        QVERIFY(task.extractedAt.isValid());
        QCOMPARE(task.extractedAt.timeSpec(), Qt::UTC);
        QVERIFY(task.dueDate.isNull());
        QVERIFY(task.dueDatePhrase.isEmpty());
        QCOMPARE(task.id, makeTaskId(QStringLiteral("n1"), 0, task.text));
    }

    void linesAndOffsets()
    {
        // Line 0 "ab", line 1 an embed and "- [ ] c", line 2 "TODO: d", then an
        // unfinished line that is not examined.
        const QString json = QStringLiteral("[{\"insert\":\"ab\\n\"},{\"insert\":{\"divider\":"
                                            "\"hr\"}},{\"insert\":\"- [ ] c\\nTODO: d\\n\"},"
                                            "{\"retain\":4},{\"insert\":\"TODO: never\"}]");
        const QList<NoteTask> tasks = extractTasks(QStringLiteral("n"), json, QDateTime());
        QCOMPARE(tasks.size(), 2);
        QCOMPARE(tasks.at(0).text, QStringLiteral("c"));
        QCOMPARE(tasks.at(0).lineIndex, 1);
        QCOMPARE(tasks.at(0).charOffset, 3);
        QCOMPARE(tasks.at(1).text, QStringLiteral("d"));
        QCOMPARE(tasks.at(1).lineIndex, 2);
        QCOMPARE(tasks.at(1).charOffset, 3 + 1 + 7 + 1);
    }

    void invalidBodies_data()
    {
        QTest::addColumn<QString>("json");
        QTest::newRow("empty") << "";
        QTest::newRow("plain text") << "TODO: not delta\n";
        QTest::newRow("object") << "{\"insert\":\"TODO: x\\n\"}";
    }

    void invalidBodies()
    {
        QFETCH(QString, json);
        QVERIFY(extractTasks(QStringLiteral("n"), json, QDateTime()).isEmpty());
    }

    void ids()
    {
        const QString text = QStringLiteral("Buy milk");
        const QString digest = QString::fromLatin1(
            QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().left(8));
        QCOMPARE(makeTaskId(QStringLiteral("note-1"), 3, text),
                 QStringLiteral("note-1_3_") + digest);
        const QString json = body({{"TODO: same", ""}});
        const QList<NoteTask> first = extractTasks(QStringLiteral("a"), json, QDateTime());
        const QList<NoteTask> second = extractTasks(QStringLiteral("b"), json, QDateTime());
        QCOMPARE(first.size(), 1);
        QCOMPARE(second.size(), 1);
        QVERIFY(first.first().id != second.first().id);
        QVERIFY(makeTaskId("a", 0, "x") != makeTaskId("a", 1, "x"));
        QVERIFY(makeTaskId("a", 0, "x") != makeTaskId("a", 0, "y"));
    }
};

QTEST_GUILESS_MAIN(TestTaskExtraction)
#include "tst_taskextraction.moc"
