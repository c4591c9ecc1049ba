// The row icon's category for a million names.

#include "Model/FileCategory.h"

#include <QStringList>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// Known extensions early and late in the lookup table, upper case, unknown
// ones and folders, in a fixed mix.
QStringList namesFor(qsizetype count)
{
    const QStringList extensions
        = { u".zip"_s, u".7z"_s,  u".pdf"_s, u".JPG"_s, u".mp4"_s,    u".docx"_s,
            u".cpp"_s, u".chm"_s, u""_s,     u".txt"_s, u".tar.gz"_s, u".Torrent"_s };
    QStringList names;
    names.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        names.append(u"/home/user/Documents/folder_%1/file_%2"_s.arg(i % 211).arg(i)
                     + extensions.at(i % extensions.size()));
    return names;
}

void BM_fileCategory(benchmark::State& state)
{
    const QStringList names = namesFor(state.range(0));
    for (auto _ : state) {
        for (const QString& name : names)
            benchmark::DoNotOptimize(FileCategory::forPath(name));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_fileCategory)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
