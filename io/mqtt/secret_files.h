// The files beside a broker URL, read once at the start: the password and the CA to trust.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vemtora::mqtt {

inline constexpr const char* kPasswordVariable = "VEMTORA_MQTT_PASSWORD";

// Longer than any password a broker takes; a file this long is the wrong file.
inline constexpr std::size_t kMaxPasswordLength = 4096;

struct PasswordFile {
    std::optional<std::string> password;  // the first line, without its line end
    std::string problem;                  // why not: a sentence without program or option names
    std::string warning;                  // read, but others may read it too
};

// A folder, a device or /dev/null is refused rather than read as an empty password. The
// sentences never hold the password.
PasswordFile readPasswordFile(const std::string& path);

// Why the CA file cannot serve, or empty.
std::string caFileProblem(const std::string& path);

}  // namespace vemtora::mqtt
