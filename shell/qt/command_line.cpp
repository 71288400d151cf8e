// Reading the window's arguments: ours from our table, Qt's passed on, numbers as the core reads them.
#include "command_line.h"

#include "core/argument_problems.h"
#include "core/option_scanner.h"
#include "core/toolkit_options.h"
#include "core/usage_text.h"
#include "io/posix/serial_device_list.h"
#include "vemtora_version.h"

namespace vemtora {

namespace {

constexpr std::array<WindowOptionEntry, 4> kWindowOptions = {{
    {WindowOptionId::Device, "--device", "PATH", kDeviceOptionHelp},
    {WindowOptionId::DeviceFolder, "--device-folder", "DIR", kDeviceFolderOptionHelp},
    {WindowOptionId::Help, "--help", "", kHelpOptionHelp},
    {WindowOptionId::Version, "--version", "", kVersionOptionHelp},
}};

std::string joined(const std::vector<std::string_view>& words) {
    std::string text;
    for (const std::string_view word : words) {
        if (!text.empty()) text += ' ';
        text += word;
    }
    return text;
}

}  // namespace

ShellCommandLine parseShellCommandLine(std::span<const std::string_view> arguments) {
    ShellCommandLine result;
    std::vector<std::string_view> ours;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        optionsEnded = optionsEnded || arguments[i] == "--";
        const std::size_t qt = optionsEnded ? 0 : qtOptionLength(arguments[i], i + 1 < arguments.size());
        if (qt == 0) {
            ours.push_back(arguments[i]);
            continue;
        }
        for (std::size_t k = 0; k < qt; ++k) result.qtArguments.emplace_back(arguments[i + k]);
        i += qt - 1;
    }

    std::vector<std::string_view> positional;
    OptionScanner<WindowOptionEntry> scanner(ours, kWindowOptions);
    while (const auto item = scanner.next()) {
        if (item->option == nullptr) {
            positional.push_back(item->value);
            continue;
        }
        switch (item->option->id) {
            case WindowOptionId::Device: {
                auto device = item->value.empty() ? std::nullopt : posix::namedDevice(std::string(item->value));
                if (!device) {
                    result.error = devicePathError(item->option->name, item->value);
                    return result;
                }
                result.settings.device = std::move(*device);
                break;
            }
            case WindowOptionId::DeviceFolder:
                // An empty folder means the default.
                result.deviceFolder = item->value.empty() ? posix::kDefaultDeviceFolder : std::string(item->value);
                break;
            case WindowOptionId::Help: result.action = ShellCommandLine::Action::ShowHelp; return result;
            case WindowOptionId::Version: result.action = ShellCommandLine::Action::ShowVersion; return result;
        }
    }
    if (!scanner.error().empty()) {
        result.error = scanner.error();
        return result;
    }
    // Only ASCII matters to the reading; other bytes only need to stay non-ASCII when widened.
    const std::string text = joined(positional);
    std::wstring wide;
    for (const char byte : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(byte));
    parseCommandLine(result.settings, wide);
    result.notes = untakenArgumentNotes(text);
    return result;
}

std::string windowHelpText() {
    std::string text = "Usage: " + std::string(kWindowProgramName) +
                       " [port-index [voltage-scale current-scale]] [options] [Qt options]\n"
                       "Shows a power meter's readings on a serial port in a small window and, when\n"
                       "asked, appends them to a log file.\n\n";
    addPositionalHelpRows(text);
    for (const WindowOptionEntry& entry : kWindowOptions) {
        std::string left(entry.name);
        if (!entry.valueName.empty()) left.append(" ").append(entry.valueName);
        addHelpRow(text, left, entry.help);
    }
    text +=
        "\nA port index or scale factor that does not read leaves the default, and standard\n"
        "error says which. Qt's own options (-platform, -display, -style, ...) go to Qt.\n"
        "\nExit status:\n";
    addHelpRow(text, "0", "the window was closed, or ended by SIGTERM, SIGINT or SIGHUP");
    addHelpRow(text, "2", "a bad command line");
    return text;
}

std::string windowVersionText() { return std::string(kWindowProgramName) + " (Vemtora) " VEMTORA_VERSION "\n"; }

}  // namespace vemtora
