// Menu commands, ticks and dialog answers in any order: the controller's states must always
// match what is really open, and nothing may reach the links after shutdown.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/acquisition_controller.h"
#include "core/command_dispatch.h"
#include "tests/support/fakes.h"

using namespace vemtora;
using namespace vemtora::testing;

namespace {

struct Run {
    FakeSerialLink serial;
    FakeLogFile log;
    FakeShell shell;
    AcquisitionController controller{AcquisitionSettings{}, serial, log, shell};
    const std::uint8_t* data;
    std::size_t size;
    int depth = 0;

    std::uint8_t next() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }

    void check() const {
        if (controller.collecting() != serial.isOpen || controller.logging() != log.isOpen) std::abort();
        if (controller.isShutDown() && (serial.isOpen || log.isOpen)) std::abort();
    }

    // One user action or tick; while the save dialog is up, a few more may happen inside it.
    void step() {
        const std::uint8_t op = next();
        switch (op % 12) {
            case 0: controller.onPollTick(); break;
            case 1: controller.onReportTick(); break;
            case 2: serial.opens = (op & 0x80) != 0; break;
            case 3: log.opens = (op & 0x80) != 0; break;
            case 4: {
                std::string bytes(next() % 40, 'a');
                for (auto& c : bytes) c = static_cast<char>(next());
                serial.pending.push_back(bytes);
                break;
            }
            case 5:
                if (op & 0x80)
                    shell.chosenPath.reset();
                else
                    shell.chosenPath = L"x.log";
                break;
            case 6: controller.shutdown(); break;
            default: {
                // A real menu identifier most of the time, anything else now and then.
                static constexpr std::uint32_t kIds[] = {104,   105,   32772, 32773, 32774, 32775, 32777, 32792,
                                                         32794, 32801, 32803, 32810, 0,     32776, 40000};
                const std::uint32_t id = kIds[next() % (sizeof kIds / sizeof kIds[0])];
                dispatchCommand(controller, id);
                break;
            }
        }
        check();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Run run{.data = data, .size = size};
    run.shell.duringChoose = [&run] {
        if (run.depth > 3) return;
        ++run.depth;
        for (int i = run.next() % 8; i > 0; --i) run.step();
        --run.depth;
    };
    run.controller.initialise();
    while (run.size > 0) run.step();
    const int opensBefore = static_cast<int>(run.serial.openCalls.size());
    const int choicesBefore = run.shell.chooseCount;
    run.controller.shutdown();
    run.check();
    // Nothing reaches the links once the window is gone.
    run.controller.startCollecting();
    run.controller.startLogging();
    run.controller.onPollTick();
    if (static_cast<int>(run.serial.openCalls.size()) != opensBefore || run.shell.chooseCount != choicesBefore) {
        std::abort();
    }
    if (run.serial.isOpen || run.log.isOpen) std::abort();
    return 0;
}
