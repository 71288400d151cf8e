// The logger's exit statuses, as --help, the man page and the README list them.
#pragma once

namespace vemtora::logger {

enum ExitStatus : int {
    kExitOk = 0,  // ended by a signal, or the reader of its standard output went away
    // port, log file, metrics port, MQTT password or CA file not opened at start; device lost with --no-reconnect
    kExitRuntimeFailure = 1,
    kExitUsage = 2,  // a bad command line, or standard output closed without --log
};

}  // namespace vemtora::logger
