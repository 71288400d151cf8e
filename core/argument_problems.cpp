// The sentences about a command line's port index and scale factors, written once.
#include "argument_problems.h"

#include <algorithm>

#include "usage_text.h"

namespace vemtora {

namespace {

constexpr std::string_view kWhite = " \t\n\v\f\r";

// append(), not operator+ on temporaries: GCC 12 sees overlaps in those that are not there.
std::string quoted(std::string_view text) { return std::string("'").append(text).append("'"); }

std::string sentenceFor(ArgumentFault fault, std::string_view text) {
    switch (fault) {
        case ArgumentFault::PortNotANumber:
        case ArgumentFault::PortOutOfRange:
            return quoted(text) + " is not a port index: use 0 (" + portNameText(0) + ") to " +
                   std::to_string(kPortCount - 1) + " (" + portNameText(kPortCount - 1) + ")";
        case ArgumentFault::ScaleNotValid:
            return quoted(text) + " is not a scale factor: use a number above 0 with a decimal point, such as 0.646";
        case ArgumentFault::ScaleAlone:
            return quoted(text) + " has no current scale after it: give both scale factors or none";
        case ArgumentFault::Trailing:
            return quoted(text) + " is one argument too many: give at most a port index and two scale factors";
    }
    return {};
}

ArgumentProblem problem(ArgumentFault fault, std::string_view text) {
    return {fault, std::string(text), sentenceFor(fault, text)};
}

// The word of `text` that begins at `start`.
std::string_view wordAt(std::string_view text, std::size_t start) {
    const std::size_t end = std::min(text.find_first_of(kWhite, start), text.size());
    return text.substr(start, end - start);
}

}  // namespace

std::vector<std::string> untakenArgumentNotes(std::string_view text) {
    const AcquisitionSettings defaults;
    const std::string port = portNameText(defaults.portIndex);
    const std::string scales =
        "the default scales " + shortestText(defaults.voltageScale) + " and " + shortestText(defaults.currentScale);
    std::vector<std::string> notes;
    for (const UntakenItem& item : readCommandLine(text).untaken) {
        const std::string_view word = wordAt(text, item.start);
        switch (item.fault) {
            case ArgumentFault::PortNotANumber:
                notes.push_back(sentenceFor(item.fault, word) + "; nothing after it is read: using " + port + " and " +
                                scales);
                break;
            case ArgumentFault::PortOutOfRange:
                notes.push_back(sentenceFor(item.fault, word) + "; using " + port);
                break;
            case ArgumentFault::ScaleNotValid:
            case ArgumentFault::ScaleAlone: notes.push_back(sentenceFor(item.fault, word) + "; using " + scales); break;
            case ArgumentFault::Trailing:
                notes.push_back(quoted(text.substr(item.start)) + " after the scale factors is not read");
                break;
        }
    }
    return notes;
}

std::optional<ArgumentProblem> strictArgumentProblem(std::span<const std::string_view> arguments) {
    std::vector<std::string_view> words;
    for (std::string_view argument : arguments) {
        for (std::size_t start = argument.find_first_not_of(kWhite); start != std::string_view::npos;
             start = argument.find_first_not_of(kWhite, start)) {
            words.push_back(wordAt(argument, start));
            start += words.back().size();
        }
    }
    if (words.size() > 3) return problem(ArgumentFault::Trailing, words[3]);
    if (words.size() == 2) return problem(ArgumentFault::ScaleAlone, words[1]);
    for (std::size_t i = 0; i < words.size(); ++i) {
        ScanReader<char> reader(words[i]);
        if (i == 0) {
            const auto port = reader.readInt32();
            if (port.status == ScanStatus::Missing || reader.position() != words[i].size()) {
                return problem(ArgumentFault::PortNotANumber, words[i]);
            }
            if (port.status != ScanStatus::Read || port.value < 0 ||
                static_cast<std::size_t>(port.value) >= kPortCount) {
                return problem(ArgumentFault::PortOutOfRange, words[i]);
            }
        } else {
            const auto scale = reader.readFloat();
            if (scale.status != ScanStatus::Read || reader.position() != words[i].size() || !(scale.value > 0.0f)) {
                return problem(ArgumentFault::ScaleNotValid, words[i]);
            }
        }
    }
    return std::nullopt;
}

}  // namespace vemtora
