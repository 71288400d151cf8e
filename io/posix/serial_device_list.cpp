// Finding serial devices by looking at /dev and sysfs; nothing is opened, so no device's control
// lines are touched by looking.
#include "io/posix/serial_device_list.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <string_view>
#include <system_error>
#include <tuple>

#include "io/posix/utf8_path.h"

namespace vemtora::posix {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kKinds[] = {"ttyUSB", "ttyACM", "ttyS"};

struct Node {
    std::size_t kind;
    unsigned number;
    std::string name;
};

// "ttyUSB12" is kind 0, number 12; names of other shapes are no serial device.
std::optional<Node> parseNodeName(const std::string& name) {
    for (std::size_t kind = 0; kind < std::size(kKinds); ++kind) {
        const std::string_view prefix = kKinds[kind];
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        unsigned number = 0;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        const auto result = std::from_chars(first, last, number);
        if (result.ec == std::errc{} && result.ptr == last && *first != '+') return Node{kind, number, name};
    }
    return std::nullopt;
}

bool isCharacterDevice(const fs::path& path) {
    std::error_code error;
    return fs::is_character_file(path, error);
}

// The 8250 driver makes ttyS nodes for ports it never found; their type is 0 (unknown).
bool hasUart(const DeviceFolders& folders, const std::string& name) {
    std::ifstream type(folders.sysClassTty + "/" + name + "/type");
    int value = 0;
    return type >> value && value != 0;
}

fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path target = fs::canonical(path, error);
    return error ? fs::path() : target;
}

std::optional<NamedDevice> wideDevice(const std::string& path, const std::string& shortName) {
    auto widePath = fromUtf8Path(path);
    auto wideShort = fromUtf8Path(shortName);
    if (!widePath || !wideShort) return std::nullopt;
    return NamedDevice{std::move(*widePath), std::move(*wideShort)};
}

}  // namespace

std::vector<NamedDevice> listSerialDevices(const DeviceFolders& folders) {
    std::vector<Node> nodes;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folders.dev, error)) {
        std::optional<Node> node = parseNodeName(entry.path().filename().string());
        if (!node || !isCharacterDevice(entry.path())) continue;
        if (kKinds[node->kind] == "ttyS" && !hasUart(folders, node->name)) continue;
        nodes.push_back(std::move(*node));
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const Node& a, const Node& b) { return std::tie(a.kind, a.number) < std::tie(b.kind, b.number); });

    // Each node by what it resolves to, so a by-id link finds the node it stands for.
    std::map<fs::path, const Node*> byTarget;
    for (const Node& node : nodes) byTarget.emplace(resolved(fs::path(folders.dev) / node.name), &node);

    std::vector<std::pair<std::string, const Node*>> links;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(folders.dev) / "serial/by-id", error)) {
        const auto found = byTarget.find(resolved(entry.path()));
        if (found != byTarget.end()) links.emplace_back(entry.path().string(), found->second);
    }
    std::sort(links.begin(), links.end());

    std::vector<NamedDevice> devices;
    std::vector<const Node*> linked;
    for (const auto& [path, node] : links) {
        if (auto device = wideDevice(path, node->name)) devices.push_back(std::move(*device));
        linked.push_back(node);
    }
    for (const Node& node : nodes) {
        if (std::find(linked.begin(), linked.end(), &node) != linked.end()) continue;
        if (auto device = wideDevice(folders.dev + "/" + node.name, node.name)) devices.push_back(std::move(*device));
    }
    return devices;
}

std::optional<NamedDevice> namedDevice(const std::string& path) {
    // udev's descriptive names are long; a name the user chose (COM5, meter) says more than its target.
    const fs::path given(path);
    const std::string folder = given.parent_path().filename().string();
    const fs::path target = folder == "by-id" || folder == "by-path" ? resolved(given) : fs::path();
    const std::string shortName = (target.empty() ? given : target).filename().string();
    return wideDevice(path, shortName.empty() ? path : shortName);
}

}  // namespace vemtora::posix
