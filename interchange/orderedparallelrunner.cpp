#include "interchange/orderedparallelrunner.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

OrderedParallelRunner::OrderedParallelRunner(int helperThreads)
    : m_helperThreads(std::max(0, helperThreads))
{}

int OrderedParallelRunner::defaultHelperThreads()
{
    return std::max(0, QThread::idealThreadCount() - 1);
}

void OrderedParallelRunner::run(int count,
                                const std::function<void(int)> &work,
                                const std::function<void(int)> &deliver) const
{
    if (count <= 0)
        return;
    const int helpers = std::min(m_helperThreads, count - 1);
    if (helpers <= 0) {
        // Alone, all the work first and then all the deliveries: alternating
        // them item by item runs measurably slower (each side evicts the
        // other's data from the caches).
        for (int i = 0; i < count; ++i)
            work(i);
        for (int i = 0; i < count; ++i)
            deliver(i);
        return;
    }

    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<char> done(size_t(count), 0);
    auto markDone = [&](int index) {
        std::lock_guard<std::mutex> locker(mutex);
        done[size_t(index)] = 1;
        finished.notify_all();
    };
    auto isDone = [&](int index) {
        std::lock_guard<std::mutex> locker(mutex);
        return done[size_t(index)] != 0;
    };

    // A pool of our own: the global one may be busy with unrelated work, and
    // this call must not return while a helper still runs.
    QThreadPool pool;
    pool.setMaxThreadCount(helpers);
    for (int h = 0; h < helpers; ++h) {
        pool.start([&] {
            for (int index = next++; index < count; index = next++) {
                work(index);
                markDone(index);
            }
        });
    }

    // Deliver what is ready first, so the writes keep pace with the
    // helpers; help with the work only while the next item is not ready.
    int delivered = 0;
    while (delivered < count) {
        if (isDone(delivered)) {
            deliver(delivered++);
            continue;
        }
        const int index = next++;
        if (index < count) {
            work(index);
            markDone(index);
            continue;
        }
        std::unique_lock<std::mutex> locker(mutex);
        while (!done[size_t(delivered)])
            finished.wait(locker);
    }
    pool.waitForDone();
}
