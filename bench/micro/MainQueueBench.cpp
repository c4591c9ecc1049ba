// Progress from a worker thread to the main thread, the way archivers post
// it: one queued call per progress value.

#include "Archive/Plumbing/MainQueue.h"

#include <QEventLoop>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <benchmark/benchmark.h>

namespace {

void BM_progressDelivery(benchmark::State& state)
{
    const auto calls = state.range(0);
    double postingSeconds = 0;
    for (auto _ : state) {
        QEventLoop loop;
        qint64 delivered = 0;
        float last = 0;
        const std::function<void(float)> progress = [&](float fraction) {
            last = fraction;
            if (++delivered == calls)
                loop.quit();
        };
        std::atomic<bool> posted = true;
        std::thread worker([&] {
            const auto start = std::chrono::steady_clock::now();
            for (qint64 i = 1; i <= calls; ++i) {
                const float fraction = float(i) / float(calls);
                posted = MainQueue::post([progress, fraction] { progress(fraction); }) && posted;
            }
            postingSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        });
        loop.exec();
        worker.join();
        if (!posted || last != 1.0f) {
            state.SkipWithError("progress was lost");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * calls);
    state.counters["worker_post_ms"] = benchmark::Counter(postingSeconds * 1e3 / double(state.iterations()));
}

} // namespace

BENCHMARK(BM_progressDelivery)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();
