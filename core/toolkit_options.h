// The options Qt reads from a program's command line, for the Qt programs' own parsers, which
// run before Qt does and must let these through untouched.
#pragma once

#include <cstddef>
#include <string_view>

namespace vemtora {

// How many arguments from `argument` on are one of Qt's options: 0, 1, or 2 when it takes the
// next one as its value and `valueFollows`.
std::size_t qtOptionLength(std::string_view argument, bool valueFollows);

}  // namespace vemtora
