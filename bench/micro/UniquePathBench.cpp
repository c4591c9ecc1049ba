// A free name when "Report.zip", "Report 1.zip", ... are already taken.

#include "Archive/ArchiveFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

void BM_uniquePath(benchmark::State& state)
{
    const QTemporaryDir folder;
    const auto taken = state.range(0);
    for (qint64 i = 0; i < taken; ++i) {
        QFile file(folder.filePath(i == 0 ? u"Report.zip"_s : u"Report %1.zip"_s.arg(i)));
        if (!file.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot create the taken names");
            return;
        }
    }
    const QString path = folder.filePath(u"Report.zip"_s);
    const QString expected = folder.filePath(u"Report %1.zip"_s.arg(taken));
    for (auto _ : state) {
        const QString free = ArchiveFile::uniquePath(path);
        if (free != expected) {
            state.SkipWithError("unexpected free name");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_uniquePath)->Arg(10)->Arg(1'000)->Unit(benchmark::kMicrosecond);
