// Vemtora for Windows: the entry point.
#include <windows.h>

#include "shell/win32/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    // The start-up code leaves what follows the program name; blanks and control characters
    // before the first argument are not part of it.
    const wchar_t* arguments = commandLine != nullptr ? commandLine : L"";
    while (*arguments != L'\0' && *arguments <= L' ') ++arguments;
    return vemtora::runProgram(instance, arguments, showCommand);
}
