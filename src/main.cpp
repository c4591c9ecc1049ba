#include "CommandLine/CommandLineMode.h"
#include "CommandLine/WindowLibrary.h"

int main(int argc, char* argv[])
{
    if (CommandLineMode::handles(CommandLineMode::argumentsOf(argc, argv)))
        return CommandLineMode::runProcess(argc, argv);
    return WindowLibrary::run(argc, argv);
}
