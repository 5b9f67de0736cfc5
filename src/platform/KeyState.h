#pragma once
#include <optional>

// Toggle state of the lock keys, read from the X server's keyboard
// indicators. Empty where it cannot be read (offscreen, Wayland).
namespace keystate {
enum class TLock { Caps, Num, Scroll };
std::optional<bool> IsOn(TLock lock);
} // namespace keystate
