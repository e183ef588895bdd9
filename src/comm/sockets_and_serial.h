// Start-up of the Socket, Serial and SerialPort classes.
#pragma once

namespace tess::comm {

// Builds the classes. `addIdleWork` is the run loop's way to take work it
// runs on every pass (serial polling).
void InitSocketsAndSerial(void (*addIdleWork)(void (*work)()));

}  // namespace tess::comm
