// Host descriptors watched by a thread's message wait: a thread waiting for
// messages also wakes when a watched descriptor becomes ready, and the
// watch's callback runs on that thread before the wait goes on. This is how
// socket and serial notifications reach the run loop without polling.
//
// Watches are level-triggered: a callback that does not consume the
// readiness must change or drop its watch, or it is called again on the
// next wait. Callbacks usually post a message and drop their interest until
// the owner has read what arrived.
#pragma once

#include "platform/windef.h"

namespace tess::platform::user {

// Called on the watching thread with the poll() result bits.
using DescriptorCallback = void (*)(void* context, int fd, short revents);

// Watches `fd` for the poll() `events` in the queue of the thread owning
// `hwnd` (the calling thread's when null), replacing an earlier watch of the
// same descriptor there; `events` 0 drops the watch. False when `hwnd` names
// no window.
bool WatchDescriptor(HWND hwnd, int fd, short events, DescriptorCallback callback, void* context);

}  // namespace tess::platform::user
