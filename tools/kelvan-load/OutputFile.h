#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

namespace kelvan::tools {

// Writes bytes as the contents of target. A regular file (or none) is replaced through a new
// temporary file beside it and a rename, so that it is either replaced whole or, on any
// failure, left exactly as it was (or absent); a symbolic link keeps pointing at the replaced
// file, and a replaced file lends its permissions to the new one. A device or pipe, which
// cannot be replaced, is written directly. Returns the system's error.
std::error_code writeOutputFile(const std::filesystem::path& target,
                                std::span<const std::uint8_t> bytes);

// Writes bytes to standard output in binary mode and flushes it.
std::error_code writeStandardOutput(std::span<const std::uint8_t> bytes);

}  // namespace kelvan::tools
