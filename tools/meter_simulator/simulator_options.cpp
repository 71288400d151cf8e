#include "tools/meter_simulator/simulator_options.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace vemtora::simulator {

const char* const kSimulatorUsage =
    "usage: vemtora-meter-simulator [--link PATH]... [--baud N] [--frames-per-second F]\n"
    "           [--voltage RAW] [--current RAW] [--divisor N] [--noise FRACTION]\n"
    "           [--malformed FRACTION] [--duration SECONDS] [--raw TEXT] [--seed N]\n"
    "           [--delivery bytes|bursts|whole[,drop]] [--frames N] [--hold]\n"
    "Creates a pseudo-terminal, prints its path, and sends meter frames a<V>\\t<I>\\t<D>z\n"
    "paced like a serial line at the given speed (10 bits per byte). Delivery: one byte at a\n"
    "time (the default), bursts every 16 ms as USB adapters give them, or each frame whole.\n"
    "With \",drop\" the bytes a reader that falls behind has no room for are lost, as on a\n"
    "line without flow control; without it the meter waits for the reader.\n"
    "--frames N stops after N frames and prints \"sent N frames, M well-formed\"; --hold\n"
    "waits for SIGUSR1 before the first frame.\n";

namespace {

template <typename Number>
bool parseNumber(const std::string& text, Number& out) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, out);
    return result.ec == std::errc{} && result.ptr == end;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<Delivery> parseDelivery(std::string_view text) {
    if (text == "bytes") return Delivery::Bytes;
    if (text == "bursts") return Delivery::Bursts;
    if (text == "whole") return Delivery::Whole;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case 'r': out.push_back('\r'); break;
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case '0': out.push_back('\0'); break;
            case '\\': out.push_back('\\'); break;
            case 'x': {
                const int high = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
                const int low = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
                if (high < 0 || low < 0) return std::nullopt;
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                break;
            }
            default: return std::nullopt;
        }
    }
    return out;
}

std::optional<SimulatorOptions> parseSimulatorOptions(const std::vector<std::string>& args, std::string& error) {
    SimulatorOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help") {
            options.help = true;
            return options;
        }
        if (name == "--hold") {
            options.hold = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "missing value after " + name;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (name == "--link") {
            options.links.push_back(value);
        } else if (name == "--baud") {
            ok = parseNumber(value, options.baudRate) && options.baudRate > 0;
        } else if (name == "--frames-per-second") {
            ok = parseNumber(value, options.framesPerSecond) && options.framesPerSecond >= 0;
        } else if (name == "--voltage") {
            ok = parseNumber(value, options.rawVoltage);
        } else if (name == "--current") {
            ok = parseNumber(value, options.rawCurrent);
        } else if (name == "--divisor") {
            ok = parseNumber(value, options.divisor);
        } else if (name == "--noise") {
            ok = parseNumber(value, options.noise) && options.noise >= 0 && options.noise <= 1;
        } else if (name == "--malformed") {
            ok = parseNumber(value, options.malformed) && options.malformed >= 0 && options.malformed <= 1;
        } else if (name == "--duration") {
            ok = parseNumber(value, options.durationSeconds) && options.durationSeconds >= 0;
        } else if (name == "--seed") {
            ok = parseNumber(value, options.seed);
        } else if (name == "--frames") {
            ok = parseNumber(value, options.frames);
        } else if (name == "--delivery") {
            constexpr std::string_view kDropping = ",drop";
            std::string_view mode = value;
            const bool dropping = mode.ends_with(kDropping);
            if (dropping) mode.remove_suffix(kDropping.size());
            const auto delivery = parseDelivery(mode);
            ok = delivery.has_value();
            if (ok) options.delivery = *delivery;
            options.overrun = dropping ? Overrun::Drop : Overrun::Hold;
        } else if (name == "--raw") {
            options.raw = unescape(value);
            ok = options.raw.has_value();
        } else {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!ok) {
            error = "bad value for " + name + ": " + value;
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace vemtora::simulator
