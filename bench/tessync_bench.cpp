// Synchronisation primitives against the standard library: an uncontended
// lock and unlock of TesMutex against std::mutex, and a round trip between
// two threads through a pair of TesEvents, a TesCondition and a
// std::condition_variable.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tescondition.h"
#include "tesevent.h"
#include "tesmutex.h"

namespace {

void TesMutexUncontended(benchmark::State& state) {
    TesMutex mutex;
    for (auto _ : state) {
        mutex.lock();
        mutex.unlock();
    }
}

void StdMutexUncontended(benchmark::State& state) {
    std::mutex mutex;
    for (auto _ : state) {
        mutex.lock();
        mutex.unlock();
    }
}

// One iteration: the partner is woken and wakes this thread in turn.
void TesEventPingPong(benchmark::State& state) {
    TesEvent ping;
    TesEvent pong;
    std::atomic<bool> stop{false};
    std::thread partner([&] {
        while (ping.wait() && !stop.load()) {
            ping.reset();
            pong.set();
        }
    });
    for (auto _ : state) {
        ping.set();
        pong.wait();
        pong.reset();
    }
    stop = true;
    ping.set();
    partner.join();
}

void TesConditionPingPong(benchmark::State& state) {
    TesMutex mutex;
    TesCondition changed;
    int turn = 0;
    bool stop = false;
    std::thread partner([&] {
        mutex.lock();
        while (!stop) {
            if (turn == 1) {
                turn = 0;
                changed.signal();
            }
            changed.wait(mutex);
        }
        mutex.unlock();
    });
    for (auto _ : state) {
        mutex.lock();
        turn = 1;
        changed.signal();
        while (turn != 0) changed.wait(mutex);
        mutex.unlock();
    }
    mutex.lock();
    stop = true;
    changed.signal();
    mutex.unlock();
    partner.join();
}

void StdConditionVariablePingPong(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable changed;
    int turn = 0;
    bool stop = false;
    std::thread partner([&] {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stop) {
            if (turn == 1) {
                turn = 0;
                changed.notify_one();
            }
            changed.wait(lock);
        }
    });
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(mutex);
        turn = 1;
        changed.notify_one();
        changed.wait(lock, [&] { return turn == 0; });
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    changed.notify_one();
    partner.join();
}

}  // namespace

BENCHMARK(TesMutexUncontended);
BENCHMARK(StdMutexUncontended);
BENCHMARK(TesEventPingPong)->UseRealTime();
BENCHMARK(TesConditionPingPong)->UseRealTime();
BENCHMARK(StdConditionVariablePingPong)->UseRealTime();

BENCHMARK_MAIN();
