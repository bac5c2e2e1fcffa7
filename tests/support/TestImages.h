#pragma once

// Images for the write and load tests: reproducible random bytes and the Intel HEX text of an
// image, written here independently of the reader under test.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace kelvan::test {

// count bytes that depend only on seed.
inline std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// The Intel HEX text of image (at most 64 KiB) from address 0: an extended linear address
// record, data records of 32 bytes that leave out the ones holding only FF (an erased gap, as
// toolchains leave it out), and the end-of-file record.
inline std::string intelHex(const std::vector<std::uint8_t>& image) {
    std::string text;
    const auto record = [&text](unsigned type, std::size_t address, const std::uint8_t* data,
                                std::size_t count) {
        char field[16];
        unsigned sum = static_cast<unsigned>(count + (address >> 8) + (address & 0xFF) + type);
        std::snprintf(field, sizeof field, ":%02zX%04zX%02X", count, address, type);
        text += field;
        for (std::size_t i = 0; i < count; ++i) {
            std::snprintf(field, sizeof field, "%02X", data[i]);
            text += field;
            sum += data[i];
        }
        std::snprintf(field, sizeof field, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text += field;
    };
    const std::uint8_t zeroBase[] = {0, 0};
    record(4, 0, zeroBase, 2);
    for (std::size_t address = 0; address < image.size(); address += 32) {
        const std::size_t count = std::min<std::size_t>(32, image.size() - address);
        const auto first = image.begin() + static_cast<std::ptrdiff_t>(address);
        if (std::count(first, first + static_cast<std::ptrdiff_t>(count), 0xFF) < 32) {
            record(0, address, image.data() + address, count);
        }
    }
    record(1, 0, nullptr, 0);
    return text;
}

}  // namespace kelvan::test
