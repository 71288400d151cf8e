// Asks the user where to log, through the common save dialog.
#pragma once

#include <optional>
#include <string>

namespace vemtora {

// At most kMaxLogPathLength characters; nullopt when cancelled. No owner: the main window stays
// usable, and the controller copes with what arrives meanwhile.
std::optional<std::wstring> chooseLogPath();

}  // namespace vemtora
