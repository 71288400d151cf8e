#include "core/toolkit_options.h"

namespace vemtora {

namespace {

// QGuiApplication's, QApplication's and the X11 platform's, which Qt reads with one dash or two.
struct QtOption {
    std::string_view name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"-platform", true},
    {"-platformpluginpath", true},
    {"-platformtheme", true},
    {"-plugin", true},
    {"-qwindowgeometry", true},
    {"-qwindowicon", true},
    {"-qwindowtitle", true},
    {"-session", true},
    {"-display", true},
    {"-geometry", true},
    {"-style", true},
    {"-stylesheet", true},
    {"-name", true},
    {"-title", true},
    {"-reverse", false},
    {"-widgetcount", false},
    {"-sync", false},
    {"-nograb", false},
    {"-dograb", false},
};
constexpr std::string_view kQtOptionsWithEquals[] = {
    "-style=", "-stylesheet=", "-qmljsdebugger=", "-dialogs=", "-fontengine="};

}  // namespace

std::size_t qtOptionLength(std::string_view argument, bool valueFollows) {
    if (argument.starts_with("--")) argument.remove_prefix(1);
    for (const std::string_view prefix : kQtOptionsWithEquals) {
        if (argument.starts_with(prefix)) return 1;
    }
    for (const QtOption& option : kQtOptions) {
        if (argument == option.name) return option.takesValue && valueFollows ? 2 : 1;
    }
    return 0;
}

}  // namespace vemtora
