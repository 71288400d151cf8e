// Reading the password and checking the CA file, with sentences that name the file, never its content.
#include "io/mqtt/secret_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>

#include "io/posix/failure.h"

namespace vemtora::mqtt {

PasswordFile readPasswordFile(const std::string& path) {
    const std::string cannot = "cannot read the MQTT password file " + path + ": ";
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {std::nullopt, cannot + posix::errorText(errno), {}};
    if (!S_ISREG(status.st_mode)) return {std::nullopt, cannot + "not a regular file", {}};
    std::ifstream file(path, std::ios::binary);
    if (!file) return {std::nullopt, cannot + posix::errorText(errno), {}};
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxPasswordLength) return {std::nullopt, "the MQTT password in " + path + " is too long", {}};
    std::string warning;
    if ((status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        warning = "others may read the MQTT password file " + path + " (chmod 600 " + path + ")";
    }
    return {std::move(line), {}, std::move(warning)};
}

std::string caFileProblem(const std::string& path) {
    if (std::ifstream(path)) return {};
    return "cannot read the MQTT CA file " + path + ": " + posix::errorText(errno);
}

}  // namespace vemtora::mqtt
