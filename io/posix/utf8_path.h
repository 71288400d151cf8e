// Wide paths from the file dialog to the UTF-8 bytes Linux file names are made of, and back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vemtora::posix {

// wchar_t holds one Unicode code point on Linux. nullopt for a surrogate, a value above
// U+10FFFF or a NUL, none of which can be part of a file name.
std::optional<std::string> toUtf8Path(std::wstring_view path);

// How a path is shown in a message: its UTF-8 bytes, or for one that cannot be a file name its
// ASCII characters with '?' for the rest.
std::string shownPath(std::wstring_view path);

// The reverse, for a name typed on a command line: nullopt unless the bytes are strict UTF-8
// (no overlong forms, no surrogates, nothing above U+10FFFF, no NUL), so that toUtf8Path gives
// exactly the same bytes back.
std::optional<std::wstring> fromUtf8Path(std::string_view path);

}  // namespace vemtora::posix
