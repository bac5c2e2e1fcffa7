#pragma once

// An image as Intel HEX text that the loader, and the toolchains' own converters, read back as
// the same bytes.

#include <cstdint>
#include <span>
#include <string>

namespace kelvan::image {

// Data records of 16 bytes (the last one shorter), an extended linear address record (type
// 04) before the first record of each 64 KiB segment above the first, and the end-of-file
// record, each line ended by CR LF. An empty image gives the end-of-file record alone.
std::string intelHexText(std::span<const std::uint8_t> image);

}  // namespace kelvan::image
