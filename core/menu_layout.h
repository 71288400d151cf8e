// The menu tree: captions (UTF-8, '&' before the access key), order and command identifiers.
// Both shells build their menu from it; the Windows resource script is checked against it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "command_id.h"

namespace vemtora {

struct MenuItem {
    std::string_view caption;
    std::uint16_t command = 0;  // 0 for an item that opens a submenu
    std::span<const MenuItem> items{};
};

namespace menu_detail {

constexpr MenuItem command(std::string_view caption, CommandId id, int offset = 0) {
    return {caption, static_cast<std::uint16_t>(toNumber(id) + offset), {}};
}

inline constexpr std::array kLogFileItems = {
    command("Save", CommandId::LogSave),
    command("Close", CommandId::LogClose),
};

inline constexpr std::array kFileItems = {
    MenuItem{"Log File", 0, kLogFileItems},
    command("アプリケーションの終了(&X)", CommandId::Exit),
};

inline constexpr std::array kCollectItems = {
    command("Start", CommandId::CollectStart),
    command("Stop", CommandId::CollectStop),
};

inline constexpr std::array kPortItems = {
    command("COM1", CommandId::PortFirst, 0),   command("COM2", CommandId::PortFirst, 1),
    command("COM3", CommandId::PortFirst, 2),   command("COM4", CommandId::PortFirst, 3),
    command("COM5", CommandId::PortFirst, 4),   command("COM6", CommandId::PortFirst, 5),
    command("COM7", CommandId::PortFirst, 6),   command("COM8", CommandId::PortFirst, 7),
    command("COM9", CommandId::PortFirst, 8),   command("COM10", CommandId::PortFirst, 9),
    command("COM11", CommandId::PortFirst, 10), command("COM12", CommandId::PortFirst, 11),
    command("COM13", CommandId::PortFirst, 12), command("COM14", CommandId::PortFirst, 13),
    command("COM15", CommandId::PortFirst, 14), command("COM16", CommandId::PortFirst, 15),
};

inline constexpr std::array kSpeedItems = {
    command("300bps", CommandId::SpeedFirst, 0),   command("600bps", CommandId::SpeedFirst, 1),
    command("1200bps", CommandId::SpeedFirst, 2),  command("2400bps", CommandId::SpeedFirst, 3),
    command("4800bps", CommandId::SpeedFirst, 4),  command("9600bps", CommandId::SpeedFirst, 5),
    command("19200bps", CommandId::SpeedFirst, 6), command("38400bps", CommandId::SpeedFirst, 7),
};

inline constexpr std::array kIntervalItems = {
    command("0.1sec", CommandId::IntervalFirst, 0), command("0.2sec", CommandId::IntervalFirst, 1),
    command("0.5sec", CommandId::IntervalFirst, 2), command("1sec", CommandId::IntervalFirst, 3),
    command("2sec", CommandId::IntervalFirst, 4),   command("5sec", CommandId::IntervalFirst, 5),
    command("10sec", CommandId::IntervalFirst, 6),  command("30sec", CommandId::IntervalFirst, 7),
};

inline constexpr std::array kSettingsItems = {
    MenuItem{"Port", 0, kPortItems},
    MenuItem{"Speed", 0, kSpeedItems},
    MenuItem{"Interval", 0, kIntervalItems},
};

inline constexpr std::array kHelpItems = {
    command("バージョン情報(&A)...", CommandId::About),
};

}  // namespace menu_detail

inline constexpr std::array kMenuBar = {
    MenuItem{"ファイル(&F)", 0, menu_detail::kFileItems},
    MenuItem{"Data Collect", 0, menu_detail::kCollectItems},
    MenuItem{"Settings", 0, menu_detail::kSettingsItems},
    MenuItem{"ヘルプ(&H)", 0, menu_detail::kHelpItems},
};

// The About box's caption (UTF-8).
inline constexpr std::string_view kAboutCaption = "バージョン情報 Vemtora";

}  // namespace vemtora
