// Three lines, replaced whole so that a kill or a full disk leaves the last total, never half:
//   vemtora-energy
//   meter /dev/ttyUSB0
//   joules 1523250.5
#include "shell/logger/energy_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>

#include "core/interval_energy.h"
#include "io/posix/failure.h"
#include "io/posix/replaced_file.h"

namespace vemtora::logger {

namespace {

constexpr std::string_view kMagic = "vemtora-energy\n";
// Far more than three lines; a bigger file is not this one.
constexpr std::size_t kMaxSize = 4096;

// The meter on one line, whatever its path holds.
std::string meterLine(std::string_view meter) {
    std::string line(meter);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    }
    return line;
}

std::string stateText(std::string_view meter, double joules) {
    std::array<char, 32> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), joules);
    return std::string(kMagic) + "meter " + meterLine(meter) + "\njoules " + std::string(digits.data(), written.ptr) +
           "\n";
}

// The file's text, or why it cannot be read.
std::string readSmallFile(const std::string& path, std::string& text, bool& missing, bool& notRegular) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    missing = fd < 0 && errno == ENOENT;
    if (fd < 0) return posix::errorText(errno);
    struct stat status {};
    std::string problem;
    if (::fstat(fd, &status) != 0) {
        problem = posix::errorText(errno);
    } else if (!S_ISREG(status.st_mode)) {
        notRegular = true;
        problem = "not a regular file";
    } else {
        std::array<char, kMaxSize + 1> buffer{};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) problem = posix::errorText(errno);
        if (got > static_cast<ssize_t>(kMaxSize)) problem = "too long";
        if (problem.empty()) text.assign(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return problem;
}

}  // namespace

KeptEnergy loadEnergy(const std::string& path, std::string_view meter) {
    KeptEnergy kept;
    const std::string startsFromZero = "; the energy starts from zero";
    std::string text;
    bool missing = false;
    bool notRegular = false;
    if (std::string problem = readSmallFile(path, text, missing, notRegular); !problem.empty()) {
        // Renamed over at the first save, a folder or a device would be lost, or the save fail.
        if (notRegular) {
            kept.refusal = path + " is not a regular file";
            return kept;
        }
        kept.message =
            (missing ? path + " does not exist yet" : "cannot read " + path + " (" + problem + ")") + startsFromZero;
        return kept;
    }
    const std::string meterPrefix = std::string(kMagic) + "meter ";
    const std::size_t meterEnd = text.find('\n', meterPrefix.size());
    const std::string_view joulesPrefix = "joules ";
    if (!text.starts_with(meterPrefix) || meterEnd == std::string::npos ||
        text.compare(meterEnd + 1, joulesPrefix.size(), joulesPrefix) != 0 || !text.ends_with('\n')) {
        kept.message = path + " is not an energy state" + startsFromZero;
        return kept;
    }
    const std::string keptMeter = text.substr(meterPrefix.size(), meterEnd - meterPrefix.size());
    if (keptMeter != meterLine(meter)) {
        kept.refusal = path + " keeps the energy of " + keptMeter + ", not of " + meterLine(meter) +
                       ": give each meter a file of its own";
        return kept;
    }
    const char* first = text.data() + meterEnd + 1 + joulesPrefix.size();
    const char* last = text.data() + text.size() - 1;
    double joules = 0.0;
    const auto read = std::from_chars(first, last, joules);
    if (read.ec != std::errc{} || read.ptr != last || !std::isfinite(joules) || joules < 0) {
        kept.message = path + " holds no energy total" + startsFromZero;
        return kept;
    }
    kept.joules = joules;
    return kept;
}

EnergyStateFile::EnergyStateFile(std::string path, std::string meter, double joules, Tell tell)
    : path_(std::move(path)),
      meter_(std::move(meter)),
      tell_(std::move(tell)),
      joules_(joules),
      nextSave_(std::chrono::steady_clock::now() + kEnergySavePeriod) {}

EnergyStateFile::~EnergyStateFile() { save(); }

void EnergyStateFile::takeReading(const IntervalReading& reading) {
    joules_ += intervalEnergyJoules(reading);
    const auto now = std::chrono::steady_clock::now();
    if (now < nextSave_) return;
    nextSave_ = now + kEnergySavePeriod;
    save();
}

void EnergyStateFile::save() {
    const std::string problem = posix::replaceFile(path_, stateText(meter_, joules_));
    if (!problem.empty() && !failing_) {
        tell_("cannot save the energy to " + path_ + " (" + problem + "); trying again every minute and at the end");
    }
    failing_ = !problem.empty();
}

}  // namespace vemtora::logger
