// Start-up, the message loop and the end of the program, as wWinMain runs them.
#pragma once

#include <windows.h>

namespace vemtora {

// Returns the exit code: the quit message's, or 0 when the window cannot be created.
int runProgram(HINSTANCE instance, const wchar_t* commandLine, int showCommand);

// Offers every message to the accelerators first; returns the quit message's code.
int runMessageLoop(HACCEL accelerators);

}  // namespace vemtora
