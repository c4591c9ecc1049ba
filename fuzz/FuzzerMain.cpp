// One libFuzzer executable; KESTREL_FUZZ_ENTRY names the target in FuzzTargets.h.
#include "FuzzTargets.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // QProcess (unar) wants an application object; every target gets one
    // so that they all run alike. Its own arguments stay away from libFuzzer's.
    static int appArgc = 1;
    static char* appArgv[] = { (*argv)[0], nullptr };
    static QCoreApplication* application = new QCoreApplication(appArgc, appArgv);
    Q_UNUSED(argc);
    Q_UNUSED(application);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString problem = KESTREL_FUZZ_ENTRY(data, size);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "Invariant broken: %s\n", qUtf8Printable(problem));
        std::abort();
    }
    return 0;
}
