#include "App/ApplicationMain.h"
#include "CommandLine/WindowLibrary.h"

#include <type_traits>

// What the executable calls once it has loaded this library.
extern "C" __attribute__((visibility("default"))) int kestrel_window_main(int argc, char* argv[])
{
    return ApplicationMain::run(argc, argv);
}

static_assert(std::is_same_v<decltype(&kestrel_window_main), WindowLibrary::Entry>);
