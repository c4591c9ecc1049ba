#include "App/ApplicationMain.h"

#include "Alerts/FileDialogOpenPanel.h"
#include "App/AppDelegate.h"
#include "App/SingleInstance.h"
#include "App/StartupActivation.h"
#include "CommandLine/BatchArguments.h"
#include "CommandLine/CommandLineMode.h"
#include "KestrelConfig.h"
#include "Report/ReportQuery.h"
#include "Resources/ApplicationIdentity.h"
#include "Resources/LocalizedText.h"
#include "Window/BatchWindow.h"
#include "Window/LightAppearance.h"
#include "Window/WindowController.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>

#include <cstdio>
#include <cstring>
#include <optional>

using namespace Qt::StringLiterals;

namespace {
// How long a finished batch lets its last usage events travel.
constexpr int batchReportGraceMs = 2000;

// Paths named on the command line, made absolute against our working folder
// because a running instance elsewhere resolves nothing relative for us.
QStringList filePathsIn(const QStringList& arguments)
{
    QStringList paths;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == "--"_L1) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(u'-'))
            continue;
        paths.append(QFileInfo(argument).absoluteFilePath());
    }
    return paths;
}
} // namespace

int ApplicationMain::run(int argc, char* argv[])
{
    const QStringList arguments = CommandLineMode::argumentsOf(argc, argv);
    std::optional<BatchArguments> batch;
    if (BatchArguments::isBatch(arguments)) {
        QString problem;
        batch = BatchArguments::parse(arguments, &problem);
        if (!batch) {
            std::fprintf(stderr, "kestrel-archive: %s\n\n%s", qPrintable(problem),
                         qPrintable(CommandLineMode::usage()));
            return CommandLineMode::usageError;
        }
    }
    if (!hasDisplay(argc, argv)) {
        // Qt's platform plugin aborts without a display; say so instead.
        std::fputs("kestrel-archive: no display to open a window on; without one, use "
                   "'kestrel-archive extract ARCHIVE --to DIR' or "
                   "'kestrel-archive compress FILE... --to DIR'\n",
                   stderr);
        return 1;
    }
    return batch ? runBatch(argc, argv, *batch) : runWindow(argc, argv);
}

bool ApplicationMain::hasDisplay(int argc, char* argv[])
{
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    // QApplication's own option names a platform plugin too.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

void ApplicationMain::describeGuiApplication()
{
    describeApplication();
    QGuiApplication::setApplicationDisplayName(QString());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(KestrelConfig::appStreamId));
    QGuiApplication::setWindowIcon(QIcon(u":/images/app-icon.svg"_s));
    installTranslations(QLocale::system());
}

// A batch from a file manager: its own small window, never the main one and
// never handed to a running instance.
int ApplicationMain::runBatch(int argc, char* argv[], const BatchArguments& batch)
{
    QApplication application(argc, argv);
    describeGuiApplication();
    LightAppearance::apply();
    BatchWindow window(batch.kind, batch.files, batch.type, batch.destination);
    QObject::connect(&window, &BatchWindow::done, &application, &QCoreApplication::exit);
    window.start();
    const int status = QApplication::exec();
    // The window is gone; the last job's events are still on their way.
    ReportQuery::waitForSentReports(batchReportGraceMs);
    return status;
}

int ApplicationMain::runWindow(int argc, char* argv[])
{
    const QString activationToken = StartupActivation::tokenFromEnvironment();
    QApplication application(argc, argv);
    describeGuiApplication();

    // QApplication has taken its own options (-platform, -style …) out by now.
    const QStringList paths = filePathsIn(QCoreApplication::arguments().mid(1));

    SingleInstance instance;
    if (instance.sendToRunningInstance(paths, activationToken))
        return 0;
    if (!instance.listen() && instance.sendToRunningInstance(paths, activationToken))
        return 0;

    LightAppearance::apply();
    FileDialogOpenPanel openPanel;
    AppDelegate delegate;
    WindowController windowController(&openPanel);
    delegate.mainWindowController = &windowController;
    windowController.showUpgradePageOnFirstStart();
    // A later launch's token lets the window come forward on its behalf.
    QObject::connect(
        &instance, &SingleInstance::activationTokenReceived, &windowController,
        [&windowController](const QString& token) { StartupActivation::activate(&windowController, token); });
    QObject::connect(&instance, &SingleInstance::filesReceived, &delegate,
                     [&delegate](const QStringList& received) {
                         if (received.isEmpty())
                             delegate.applicationShouldHandleReopen(
                                 delegate.mainWindowController && delegate.mainWindowController->isVisible());
                         for (const QString& path : received)
                             delegate.openFile(path);
                     });

    for (const QString& path : paths)
        delegate.openFile(path);
    delegate.applicationDidFinishLaunching();

    QApplication::exec();
    return 0;
}
