#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

#include "image/ImageLoader.h"

namespace kelvan::image {

// The one way the program writes a file: the window's save, kelvan-load's OUTPUT and
// kelvan-cli's OUT. Writes bytes as the contents of target. A regular file (or none) is
// replaced through a new temporary file beside it, flushed to the disk, renamed over target,
// and the folder flushed too, so that target is either replaced whole or, on any failure, left
// exactly as it was (or absent), also across a power cut once success is reported. A symbolic
// link keeps pointing at the replaced file, and a replaced file lends its permission bits to
// the new one. A device or pipe, which cannot be replaced, is written directly. Returns the
// system's error.
std::error_code writeOutputFile(const std::filesystem::path& target,
                                std::span<const std::uint8_t> bytes);

// Writes image through writeOutputFile in the format its name asks for: Intel HEX where the
// working-file load would read the name as Intel HEX (readsAsIntelHex), the raw bytes
// otherwise, so that the file loads back as the same image.
std::error_code writeImageFile(const std::filesystem::path& target,
                               std::span<const std::uint8_t> image, const LoadOptions& options);

}  // namespace kelvan::image
