// Wide paths from the file dialog to the UTF-8 bytes Linux file names are made of.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vemtora::posix {

// wchar_t holds one Unicode code point on Linux. nullopt for a surrogate, a value above
// U+10FFFF or a NUL, none of which can be part of a file name.
std::optional<std::string> toUtf8Path(std::wstring_view path);

}  // namespace vemtora::posix
