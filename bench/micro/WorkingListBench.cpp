// Adding many paths to the working list: entries with MD5 ids, newest first,
// a path already listed neither added again nor moved.

#include "Model/FileListInfo.h"

#include <QUrl>

#include <algorithm>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// Paths shaped like a project tree, the kind a user drops by the thousand.
QList<QUrl> urlsFor(qsizetype count)
{
    QList<QUrl> urls;
    urls.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        urls.append(QUrl::fromLocalFile(
            u"/home/user/Projects/kestrel/src/module_%1/part_%2/file_%3.cpp"_s.arg(i % 97).arg(i % 13).arg(
                i)));
    }
    return urls;
}

// Every insert scans the whole list for the id: quadratic in the list size.
void addFilesByScan(FileListInfo& info, const QList<QUrl>& urls)
{
    for (auto url = urls.crbegin(); url != urls.crend(); ++url) {
        FileListItemInfo item = FileListItemInfo::fromURL(*url);
        const bool listed
            = std::any_of(info.list.cbegin(), info.list.cend(),
                          [&item](const FileListItemInfo& entry) { return entry.fileId == item.fileId; });
        if (!listed)
            info.list.prepend(std::move(item));
    }
}

// Same result, as the working list does it: the ids held in a hash set.
void addFilesByHash(FileListInfo& info, const QList<QUrl>& urls)
{
    info.addURLs(urls);
}

template<auto addFiles> void BM_addFiles(benchmark::State& state)
{
    const QList<QUrl> urls = urlsFor(state.range(0));
    for (auto _ : state) {
        FileListInfo info;
        addFiles(info, urls);
        benchmark::DoNotOptimize(info.list.data());
        state.PauseTiming();
        if (info.list.size() != urls.size())
            state.SkipWithError("entries were lost");
        info = {};
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

// The entries alone, to tell the MD5 and URL work from the duplicate check.
void BM_makeEntries(benchmark::State& state)
{
    const QList<QUrl> urls = urlsFor(state.range(0));
    for (auto _ : state) {
        for (const QUrl& url : urls)
            benchmark::DoNotOptimize(FileListItemInfo::fromURL(url));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_makeEntries)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_addFiles<addFilesByScan>)
    ->Name("BM_addFiles/linearScan")
    ->Arg(10'000)
    ->Arg(30'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNSquared);
BENCHMARK(BM_addFiles<addFilesByHash>)
    ->Name("BM_addFiles/hashSet")
    ->Arg(10'000)
    ->Arg(30'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
