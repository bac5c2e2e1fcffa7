#pragma once

#include <cstdint>
#include <span>
#include <system_error>

namespace kelvan::tools {

// Writes bytes to standard output in binary mode and flushes it.
std::error_code writeStandardOutput(std::span<const std::uint8_t> bytes);

}  // namespace kelvan::tools
