#include "command_dispatch.h"

#include "acquisition_controller.h"

namespace vemtora {

namespace {

// The index of id within the block of `count` identifiers that starts at `first`, or -1.
template <std::size_t Count>
int indexInBlock(std::uint32_t id, CommandId first) {
    const std::uint32_t start = toNumber(first);
    return id >= start && id - start < Count ? static_cast<int>(id - start) : -1;
}

}  // namespace

CommandOutcome dispatchCommand(AcquisitionController& controller, std::uint32_t commandId) {
    if (commandId > 0xFFFF) return CommandOutcome::Unrecognised;
    switch (static_cast<CommandId>(commandId)) {
        case CommandId::About: return CommandOutcome::ShowAbout;
        case CommandId::Exit: return CommandOutcome::Exit;
        case CommandId::LogSave: controller.startLogging(); return CommandOutcome::Handled;
        case CommandId::LogClose: controller.stopLogging(); return CommandOutcome::Handled;
        case CommandId::CollectStart: controller.startCollecting(); return CommandOutcome::Handled;
        case CommandId::CollectStop: controller.stopCollecting(); return CommandOutcome::Handled;
        default: break;
    }
    if (const int port = indexInBlock<kPortCount>(commandId, CommandId::PortFirst); port >= 0) {
        controller.selectPort(static_cast<std::uint32_t>(port));
        return CommandOutcome::Handled;
    }
    if (const int speed = indexInBlock<kBaudRates.size()>(commandId, CommandId::SpeedFirst); speed >= 0) {
        controller.selectBaudRate(kBaudRates[static_cast<std::size_t>(speed)]);
        return CommandOutcome::Handled;
    }
    if (const int interval = indexInBlock<kReportIntervalsMs.size()>(commandId, CommandId::IntervalFirst);
        interval >= 0) {
        controller.selectReportInterval(kReportIntervalsMs[static_cast<std::size_t>(interval)]);
        return CommandOutcome::Handled;
    }
    return CommandOutcome::Unrecognised;
}

}  // namespace vemtora
