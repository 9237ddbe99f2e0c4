// The mouse pointers at night: red copies of the user's own standard
// pointers, set with SetSystemCursor, and the user's put back. The copies
// are never stored, so logging off and on brings the user's back after a
// crash. Where user32 lacks SetSystemCursor nothing is done.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace DLmodule {

// Whether red copies are the program's and in force.
extern bool redPointersShown;

// Turns a pointer's pixels red, in place. `pixels` holds `count` colour
// pixels (0xAARRGGBB; the XOR half for a monochrome pointer), then its
// `count` AND-mask pixels (0 or 0xFFFFFF), in the same order. Every pixel
// that shows becomes opaque red at its brightness, alpha kept: also one
// that inverts the screen. Transparent pixels stay so.
void RedPointerPixels(std::uint32_t* pixels, std::size_t count);

// Sets a red copy of each of the user's standard pointers, reloaded first:
// safe to call again, also with red copies in force.
void ApplyRedPointers();
// Reloads the user's pointers when red copies are in force.
void RestoreUserPointers();

} // namespace DLmodule
