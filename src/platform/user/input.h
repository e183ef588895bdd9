// Input as the user makes it: pointer moves, buttons, the wheel, keys and
// typed characters, fed in by the automation interface and by a presented
// desktop. Events wait in one raw queue until a thread looks for messages;
// then they are turned, one at a time, into the messages of the window
// they concern (hit testing, activation by click, capture, double clicks,
// key messages to the focus). The asynchronous key state changes when an
// event is fed in, the per-message state when its message is retrieved.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/windef.h"

namespace tess::platform::input {

enum Button { kLeft = 0, kRight = 1, kMiddle = 2 };

void MouseMove(int x, int y);
void MouseButton(Button button, bool down);
void Wheel(int delta);  // multiples of WHEEL_DELTA; positive away from the user
void Key(int vk, bool down);
// A character no key of the layout makes travels as VK_PACKET.
void Character(uint32_t codepoint);
// Presses and releases the keys that type `text` (UTF-8) on a US layout.
void Type(const char* text);
bool Pending();

// Another application took activation, or gave it back (the presented
// desktop losing and regaining the host's focus).
void ApplicationActivation(bool active);

// Beeps since the last call.
std::vector<UINT> TakeBeeps();

}  // namespace tess::platform::input
