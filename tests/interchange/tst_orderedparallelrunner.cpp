#include "interchange/orderedparallelrunner.h"

#include <QMutex>
#include <QSet>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <vector>

class TestOrderedParallelRunner : public QObject
{
    Q_OBJECT

private slots:
    void everyItemWorkedOnceAndDeliveredInOrder_data();
    void everyItemWorkedOnceAndDeliveredInOrder();
    void helpersShareTheWork();
};

void TestOrderedParallelRunner::everyItemWorkedOnceAndDeliveredInOrder_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("helpers");
    QTest::newRow("nothing to do") << 0 << 2;
    QTest::newRow("one item, helpers idle") << 1 << 3;
    QTest::newRow("alone") << 50 << 0;
    QTest::newRow("negative helpers run alone") << 20 << -4;
    QTest::newRow("one helper") << 500 << 1;
    QTest::newRow("more helpers than cores") << 2000 << 7;
}

void TestOrderedParallelRunner::everyItemWorkedOnceAndDeliveredInOrder()
{
    QFETCH(int, count);
    QFETCH(int, helpers);
    std::vector<std::atomic<int>> worked(size_t(qMax(count, 1)));
    std::vector<std::atomic<bool>> finished(size_t(qMax(count, 1)));
    QList<int> delivered;
    bool deliveredEarly = false;
    bool deliveredElsewhere = false;
    QThread *const caller = QThread::currentThread();

    OrderedParallelRunner(helpers).run(
        count,
        [&](int i) {
            ++worked[size_t(i)];
            // Uneven items, so that later ones often finish first.
            if (i % 7 == 0)
                QThread::usleep(50);
            finished[size_t(i)] = true;
        },
        [&](int i) {
            deliveredEarly = deliveredEarly || !finished[size_t(i)];
            deliveredElsewhere = deliveredElsewhere || QThread::currentThread() != caller;
            delivered.append(i);
        });

    QCOMPARE(delivered.size(), count);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(delivered[i], i);
        QCOMPARE(worked[size_t(i)].load(), 1);
    }
    QVERIFY(!deliveredEarly);
    QVERIFY(!deliveredElsewhere);
}

void TestOrderedParallelRunner::helpersShareTheWork()
{
    // Slow items leave the helpers every chance to take some; the calling
    // thread takes its share too while it waits.
    QMutex mutex;
    QSet<QThread *> workers;
    OrderedParallelRunner(2).run(
        60,
        [&](int) {
            QThread::msleep(2);
            const QMutexLocker locker(&mutex);
            workers.insert(QThread::currentThread());
        },
        [](int) {});
    QCOMPARE(workers.size(), 3);
    QVERIFY(workers.contains(QThread::currentThread()));
}

QTEST_GUILESS_MAIN(TestOrderedParallelRunner)
#include "tst_orderedparallelrunner.moc"
