// The one dispatch from a menu command's identifier to the controller.
#pragma once

#include <cstdint>

#include "command_id.h"

namespace vemtora {

class AcquisitionController;

// The shells own the About box and the window's end; everything else reaches the controller here.
enum class CommandOutcome { Handled, ShowAbout, Exit, Unrecognised };

CommandOutcome dispatchCommand(AcquisitionController& controller, std::uint32_t commandId);

}  // namespace vemtora
