// Vemtora for Windows: the entry point.
#include <windows.h>

#include "shell/win32/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    return vemtora::runProgram(instance, commandLine, showCommand);
}
