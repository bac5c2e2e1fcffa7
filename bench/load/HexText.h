#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace kelvan::image::bench {

// The Intel HEX text of image at address 0: records of recordLength data bytes, a linear base
// record at every 64 KiB, CR LF line ends and an end-of-file record. The checksums are left
// 00, since the reader never checks them.
inline std::string intelHexText(std::span<const std::uint8_t> image,
                                std::size_t recordLength = 16) {
    std::string text;
    text.reserve(image.size() * 3 + 64);
    char field[32];
    for (std::size_t address = 0; address < image.size(); address += recordLength) {
        if (address % 0x10000 == 0) {
            std::snprintf(field, sizeof field, ":02000004%04zX", address >> 16);
            text += field;
            text += "00\r\n";
        }
        const std::size_t count = std::min(recordLength, image.size() - address);
        std::snprintf(field, sizeof field, ":%02zX%04zX00", count, address & 0xFFFF);
        text += field;
        for (std::size_t k = 0; k < count; ++k) {
            std::snprintf(field, sizeof field, "%02X", image[address + k]);
            text += field;
        }
        text += "00\r\n";
    }
    return text + ":00000001FF\r\n";
}

}  // namespace kelvan::image::bench
