#pragma once

#include <functional>

// Runs a job for every index of a list on helper threads and on the calling
// thread, and hands each finished index back on the calling thread in index
// order. An import converts its notes this way while the calling thread
// stores the converted ones: the conversions are the slow part and need no
// shared state, while the database connection and the progress reports
// belong to the calling thread.
class OrderedParallelRunner
{
public:
    // helperThreads below 1 runs everything on the calling thread.
    explicit OrderedParallelRunner(int helperThreads = defaultHelperThreads());

    // One helper fewer than the cores: the calling thread works too.
    static int defaultHelperThreads();

    // Calls work(i) exactly once for every i in [0, count), from any of the
    // threads, and deliver(i) on the calling thread for i = 0, 1, ... as
    // soon as work(i) has returned. work must touch nothing but its own
    // item and shared data it only reads. Returns when everything is
    // delivered.
    void run(int count,
             const std::function<void(int)> &work,
             const std::function<void(int)> &deliver) const;

private:
    int m_helperThreads;
};
