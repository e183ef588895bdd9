// The Timer class: Action once or repeatedly after a period, on one-shot
// host timers owned by one hidden window.
#pragma once

#include "tessera/types.h"

namespace tess::ui {

void InitTimerClass();
bool IsTimer(TessObject* object);
// Switches a timer off: what a window does to its timers when it closes.
void StopTimer(TessObject* timer);

}  // namespace tess::ui
