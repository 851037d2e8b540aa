// How a long operation reports its progress: it calls a callback after each
// step with an opaque context of the caller's. The job runner's callback
// posts it to the progress window, so the operation never waits on the
// user-interface thread and needs nothing of windows.
#pragma once

#include <cstdint>

// Called after each step with the step's one-based position and the number
// of steps; must not block.
using JobProgressFn = void (*)(void* context, int32_t done, int32_t total);
