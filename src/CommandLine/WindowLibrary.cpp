#include "CommandLine/WindowLibrary.h"

#include "KestrelConfig.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <dlfcn.h>

namespace {
// Beside the executable in a build tree; in the library folder once installed.
std::filesystem::path locate()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::path() : executable.parent_path();
    const std::filesystem::path beside = folder / KestrelConfig::windowLibraryName;
    if (std::filesystem::exists(beside, error))
        return beside;
    return (folder / KestrelConfig::windowLibraryFromExecutable / KestrelConfig::windowLibraryName)
        .lexically_normal();
}
} // namespace

int WindowLibrary::run(int argc, char* argv[])
{
    const std::string path = locate().string();
    // Never closed: Qt's objects in it live until the process exits.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto entry = library ? reinterpret_cast<Entry>(dlsym(library, entryName)) : nullptr;
    if (!entry) {
        std::fprintf(stderr,
                     "kestrel-archive: cannot open a window: %s; without one, use "
                     "'kestrel-archive extract ARCHIVE --to DIR' or "
                     "'kestrel-archive compress FILE... --to DIR'\n",
                     dlerror());
        return 1;
    }
    return entry(argc, argv);
}
