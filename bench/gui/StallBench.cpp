// How long the window's event loop stalls while a job runs from it:
//
//   kestrel-bench-stall OUTPUT_FOLDER CASE...
//   CASE: extract:ARCHIVE | compress-zip:PATH | compress-7z:PATH
//
// Each job is started as the bars start it: the input is added to the working
// list and selected, and the folder chooser is answered with a fresh folder
// inside OUTPUT_FOLDER. From the start until the result alert is shown, a
// 10 ms timer on the main thread records the largest gap between its ticks.
// Prints a markdown table; exits with 1 when a job did not end in an alert.

#include "Alerts/CommonAlert.h"
#include "Alerts/OpenPanel.h"
#include "Alerts/ProgressAlert.h"
#include "Archive/ArchiveType.h"
#include "Model/FileListManager.h"
#include "Model/FileListType.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <optional>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr auto tickInterval = 10ms;
constexpr qint64 stallLimitMs = 50;
// A job that shows neither its progress sheet nor an alert by then never started.
constexpr auto startLimit = 10s;
constexpr auto jobLimit = 30min;

struct BenchCase
{
    QString mode;
    QString input;
    bool compresses() const { return mode.startsWith("compress"_L1); }
    ArchiveType compressType() const
    {
        return mode == "compress-zip"_L1 ? ArchiveType::zip : ArchiveType::z7;
    }
};

qint64 threadCpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

struct Gap
{
    qint64 lengthNs = 0;
    // When it ended, from the start.
    qint64 endNs = 0;
    // CPU time the main thread used in it: near the length when our own work
    // held the loop, near nothing when the thread waited for the CPU or a call.
    qint64 busyNs = 0;
};

struct CaseResult
{
    double wallSeconds = 0;
    Gap largestGap;
    qint64 gapsOverLimit = 0;
    qint64 ticks = 0;
    QString outcome;
    bool ended = false;
};

// Answers every folder chooser with `folder` on the next turn of the event
// loop, after beginSheet has returned as the real panel's does.
class ChosenFolderPanel : public OpenPanel
{
public:
    QUrl folder;

    void beginSheet(QWidget*, const Options&, Completion completion) override
    {
        QTimer::singleShot(0, qApp,
                           [completion = std::move(completion), chosen = folder] { completion({ chosen }); });
    }
};

// Ticks on the main thread and keeps the largest gap between two ticks; the
// start and the stop count as ticks, so a stall at either end is seen too.
class StallMonitor
{
public:
    StallMonitor()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(tickInterval);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            mark();
            ++m_ticks;
        });
    }

    void start()
    {
        m_clock.start();
        m_lastNs = 0;
        m_lastCpuNs = threadCpuNs();
        m_largest = {};
        m_overLimit = 0;
        m_ticks = 0;
        m_timer.start();
    }

    void stop()
    {
        mark();
        m_timer.stop();
    }

    qint64 elapsedNs() const { return m_clock.nsecsElapsed(); }
    const Gap& largestGap() const { return m_largest; }
    qint64 gapsOverLimit() const { return m_overLimit; }
    qint64 ticks() const { return m_ticks; }

private:
    void mark()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        const Gap gap { now - m_lastNs, now, cpu - m_lastCpuNs };
        if (gap.lengthNs > m_largest.lengthNs)
            m_largest = gap;
        if (gap.lengthNs > stallLimitMs * 1'000'000)
            ++m_overLimit;
        m_lastNs = now;
        m_lastCpuNs = cpu;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_lastCpuNs = 0;
    Gap m_largest;
    qint64 m_overLimit = 0;
    qint64 m_ticks = 0;
};

// Sees every alert the moment it is shown, anywhere in the application.
class AlertWatcher : public QObject
{
public:
    std::function<void(CommonAlert* alert)> resultShown;
    bool progressShown = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (qobject_cast<ProgressAlert*>(watched))
            progressShown = true;
        else if (auto* alert = qobject_cast<CommonAlert*>(watched); alert && resultShown)
            resultShown(alert);
        return false;
    }
};

class StallBench
{
public:
    explicit StallBench(const QString& outputRoot)
        : m_outputRoot(outputRoot)
        , m_controller(&m_panel)
    {
        qApp->installEventFilter(&m_watcher);
        m_controller.show();
    }

    CaseResult run(const BenchCase& benchCase, int number)
    {
        prepare(benchCase, number);

        CaseResult result;
        QPointer<CommonAlert> resultAlert;
        QEventLoop loop;
        m_watcher.progressShown = false;
        m_watcher.resultShown = [&](CommonAlert* alert) {
            m_monitor.stop();
            resultAlert = alert;
            loop.quit();
        };
        QTimer::singleShot(startLimit, &loop, [&] {
            if (!m_watcher.progressShown && !resultAlert)
                loop.quit();
        });
        QTimer::singleShot(jobLimit, &loop, &QEventLoop::quit);

        m_monitor.start();
        if (benchCase.compresses())
            m_controller.startCompress(benchCase.compressType());
        else
            m_controller.startExtract();
        loop.exec();
        m_watcher.resultShown = nullptr;

        result.wallSeconds = double(m_monitor.elapsedNs()) / 1e9;
        result.largestGap = m_monitor.largestGap();
        result.gapsOverLimit = m_monitor.gapsOverLimit();
        result.ticks = m_monitor.ticks();
        if (resultAlert) {
            result.ended = true;
            result.outcome = resultAlert->text().simplified();
            dismiss(resultAlert);
        } else {
            m_monitor.stop();
            result.outcome = m_watcher.progressShown ? u"no result alert in time"_s : u"no job started"_s;
        }
        return result;
    }

private:
    // An empty list holding only the input, selected, in the case's mode, and
    // a fresh folder for the chooser to answer with.
    void prepare(const BenchCase& benchCase, int number)
    {
        const QString folder = u"%1/%2-%3"_s.arg(m_outputRoot).arg(number).arg(benchCase.mode);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        m_panel.folder = QUrl::fromLocalFile(QFileInfo(folder).absoluteFilePath());

        QSet<qsizetype> everyRow;
        for (qsizetype row = 0; row < FileListManager::shared().listInfo.list.size(); ++row)
            everyRow.insert(row);
        m_controller.removeItems(everyRow);
        m_controller.setListType(benchCase.compresses() ? FileListType::compress : FileListType::extract);
        m_controller.applyListType();
        m_controller.addFiles({ QUrl::fromLocalFile(QFileInfo(benchCase.input).absoluteFilePath()) });
        m_controller.listView()->tableView()->selectRow(0);
        QCoreApplication::processEvents();
    }

    static void dismiss(CommonAlert* alert)
    {
        const QList<QAbstractButton*> buttons = alert->buttons();
        if (buttons.isEmpty())
            alert->endSheet();
        else
            buttons.first()->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    QString m_outputRoot;
    ChosenFolderPanel m_panel;
    FileListViewController m_controller;
    StallMonitor m_monitor;
    AlertWatcher m_watcher;
};

std::optional<BenchCase> parseCase(const QString& argument)
{
    const qsizetype colon = argument.indexOf(u':');
    if (colon < 0)
        return std::nullopt;
    BenchCase benchCase { argument.left(colon), argument.mid(colon + 1) };
    static const QStringList modes { u"extract"_s, u"compress-zip"_s, u"compress-7z"_s };
    if (!modes.contains(benchCase.mode) || !QFileInfo::exists(benchCase.input))
        return std::nullopt;
    return benchCase;
}

QString describe(const BenchCase& benchCase)
{
    const QFileInfo input(benchCase.input);
    QString what = benchCase.compresses() ? u"%1 of %2"_s.arg(benchCase.mode, input.fileName())
                                          : u"extract %1"_s.arg(input.fileName());
    if (input.isFile())
        what += u" (%1 MiB)"_s.arg(double(input.size()) / (1024.0 * 1024.0), 0, 'f', 0);
    return what;
}

QString tableRow(const QString& what, const CaseResult& result)
{
    // Without a result the job's time is unknown; the gaps are those seen while waiting.
    const QString wall = result.ended ? QString::number(result.wallSeconds, 'f', 1) : u"-"_s;
    const Gap& gap = result.largestGap;
    const QString largest = u"%1 (at %2 s, main thread busy %3 ms)"_s.arg(
        QString::number(double(gap.lengthNs) / 1e6, 'f', 1), QString::number(double(gap.endNs) / 1e9, 'f', 2),
        QString::number(double(gap.busyNs) / 1e6, 'f', 1));
    QString outcome = result.outcome;
    outcome.replace(u'|', "\\|"_L1);
    return u"| %1 | %2 | %3 | %4 | %5 | %6 |"_s.arg(
        what, wall, largest, QString::number(result.gapsOverLimit), QString::number(result.ticks), outcome);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Usage events go nowhere: a closed port on this machine.
    if (qEnvironmentVariableIsEmpty("KESTREL_EVENT_LOG_URL"))
        qputenv("KESTREL_EVENT_LOG_URL", "http://127.0.0.1:9/log.html");
    QApplication application(argc, argv);
    // The window writes a line per progress step to standard output, as it
    // does for users; those go to /dev/null and the table to the real output.
    QFile table;
    if (!table.open(dup(STDOUT_FILENO), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return 1;
    if (const int null = open("/dev/null", O_WRONLY); null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    QTextStream out(&table);
    QTextStream err(stderr);
    installTranslations(QLocale::system());

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    QList<BenchCase> cases;
    for (const QString& argument : arguments.mid(1)) {
        const std::optional<BenchCase> benchCase = parseCase(argument);
        if (!benchCase) {
            err << "kestrel-bench-stall: not a case with an existing input: " << argument << '\n';
            return 2;
        }
        cases.append(*benchCase);
    }
    if (cases.isEmpty()) {
        err << "usage: kestrel-bench-stall OUTPUT_FOLDER (extract:ARCHIVE | compress-zip:PATH | "
               "compress-7z:PATH)...\n";
        return 2;
    }

    StallBench bench(arguments.first());
    out << "| case | job wall time (s) | largest gap (ms) | gaps over " << stallLimitMs
        << " ms | ticks | result |\n|---|---:|---|---:|---:|---|\n";
    out.flush();
    bool allEnded = true;
    for (int i = 0; i < cases.size(); ++i) {
        err << "stall monitor: " << describe(cases[i]) << '\n';
        err.flush();
        const CaseResult result = bench.run(cases[i], i + 1);
        allEnded = allEnded && result.ended;
        out << tableRow(describe(cases[i]), result) << '\n';
        out.flush();
    }
    return allEnded ? 0 : 1;
}
