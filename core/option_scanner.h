// Options read from a program's table as getopt_long reads them: "--name value" and
// "--name=value", flags without a value, and "--" before arguments that only look like options.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vemtora {

// "-5" and "-.5" are numbers (a port index, a scale); "-x" is an option.
bool looksLikeOption(std::string_view argument);

// Entry: a table row with `name` ("--log") and `valueName` ("FILE"; empty for a flag).
template <typename Entry>
class OptionScanner {
public:
    struct Item {
        const Entry* option = nullptr;  // nullptr for a positional argument
        std::string_view value;         // the option's value, or the positional argument
    };

    OptionScanner(std::span<const std::string_view> arguments, std::span<const Entry> table)
        : arguments_(arguments), table_(table) {}

    // The next option or positional argument; nullopt at the end, or at a mistake, which error() then names.
    std::optional<Item> next() {
        while (index_ < arguments_.size()) {
            const std::string_view argument = arguments_[index_++];
            if (optionsEnded_ || !looksLikeOption(argument)) return Item{nullptr, argument};
            if (argument == "--") {
                optionsEnded_ = true;
                continue;
            }
            const std::size_t equals = argument.find('=');
            const std::string_view name = argument.substr(0, equals);
            const Entry* entry = find(name);
            if (entry == nullptr) return fail("unknown option " + std::string(name));
            if (equals != std::string_view::npos) {
                if (entry->valueName.empty()) return fail(std::string(name) + " takes no value");
                return Item{entry, argument.substr(equals + 1)};
            }
            // "[=NAME]": a value only after "=", as getopt_long's optional arguments; value() then
            // has no data.
            if (entry->valueName.empty() || entry->valueName.starts_with("[=")) return Item{entry, {}};
            if (index_ >= arguments_.size()) return fail(std::string(name) + " needs a value");
            // "--log --iso-time" is a forgotten file name far more often than a file so named;
            // --log=--iso-time still says the latter.
            if (looksLikeOption(arguments_[index_])) {
                return fail(std::string(name) + " needs a value, not the option " + std::string(arguments_[index_]));
            }
            return Item{entry, arguments_[index_++]};
        }
        return std::nullopt;
    }

    const std::string& error() const { return error_; }

private:
    const Entry* find(std::string_view name) const {
        for (const Entry& entry : table_) {
            if (entry.name == name) return &entry;
        }
        return nullptr;
    }

    std::optional<Item> fail(std::string message) {
        error_ = std::move(message);
        index_ = arguments_.size();
        return std::nullopt;
    }

    std::span<const std::string_view> arguments_;
    std::span<const Entry> table_;
    std::size_t index_ = 0;
    bool optionsEnded_ = false;
    std::string error_;
};

}  // namespace vemtora
