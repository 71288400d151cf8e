// What counts as an option rather than a number.
#include "option_scanner.h"

namespace vemtora {

bool looksLikeOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9') &&
           argument[1] != '.';
}

}  // namespace vemtora
