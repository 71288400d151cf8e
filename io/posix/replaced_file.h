// A small file replaced whole: written beside its name, then renamed over it, so a reader sees
// the old contents or the new, never half.
#pragma once

#include <string>
#include <string_view>

namespace vemtora::posix {

// path.tmp is written and renamed over path; the reason it failed, empty on success.
std::string replaceFile(const std::string& path, std::string_view text);

}  // namespace vemtora::posix
