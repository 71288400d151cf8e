// Which event dispatcher Qt gives the window's thread: chosen before QApplication exists.
#pragma once

namespace vemtora {

// Asks for Qt's own UNIX dispatcher instead of the GLib one. The window wakes 40 times a
// second to poll the meter, and GLib's prepare, query, check and dispatch round around each
// wake-up cost about a sixth of the window's CPU while collecting; nothing in the window needs
// a GLib source (its file dialog is Qt's own). A QT_NO_GLIB already set is left as it is.
void preferPlainEventDispatcher();

}  // namespace vemtora
