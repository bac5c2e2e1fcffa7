#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kelvan::link {

// Appends a space and two upper-case hexadecimal digits for each byte: " D1 E0 EB EE". The form
// of the frames in the host's wire trace and the simulator's log alike.
void appendSpacedHex(std::string& text, std::span<const std::uint8_t> bytes);

}  // namespace kelvan::link
