#pragma once
#include <QtGlobal>
#include <optional>

// Toggle state of the lock keys, read from the X server's keyboard
// indicators. Empty where it cannot be read (offscreen, Wayland).
namespace keystate {
enum class TLock { Caps, Num, Scroll };
std::optional<bool> IsOn(TLock lock);

// Whether a pressed key is the physical key that types "2" without Shift,
// whatever its modifiers make of it ("2", '"', ...). `nativeScanCode` is the
// X key code (0 without X: then the Qt key must be Key_2). On a layout where
// "2" needs Shift no key is.
bool IsKeyOfTwo(quint32 nativeScanCode, int qtKey);
} // namespace keystate
