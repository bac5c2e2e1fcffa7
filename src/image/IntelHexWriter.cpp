#include "image/IntelHexWriter.h"

#include <algorithm>
#include <array>

namespace kelvan::image {
namespace {

constexpr std::size_t RecordLength = 16;
constexpr std::size_t SegmentLength = 0x10000;

// One record: ':', count, address, type, the bytes, and the checksum that makes the sum of all
// of them 0 modulo 256.
void appendRecord(std::string& text, std::uint16_t address, std::uint8_t type,
                  std::span<const std::uint8_t> bytes) {
    static constexpr std::array<char, 16> Digits{'0', '1', '2', '3', '4', '5', '6', '7',
                                                 '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    std::uint8_t sum = 0;
    const auto appendByte = [&](std::uint8_t value) {
        text.push_back(Digits[value >> 4]);
        text.push_back(Digits[value & 0x0F]);
        sum = static_cast<std::uint8_t>(sum + value);
    };
    text.push_back(':');
    appendByte(static_cast<std::uint8_t>(bytes.size()));
    appendByte(static_cast<std::uint8_t>(address >> 8));
    appendByte(static_cast<std::uint8_t>(address & 0xFF));
    appendByte(type);
    for (const std::uint8_t value : bytes) {
        appendByte(value);
    }
    appendByte(static_cast<std::uint8_t>(-sum));
    text += "\r\n";
}

}  // namespace

std::string intelHexText(std::span<const std::uint8_t> image) {
    std::string text;
    // 11 characters of frame and 2 digits a byte per record, and the end-of-file record.
    text.reserve((image.size() / RecordLength + 1) * (13 + 2 * RecordLength) + 13);
    for (std::size_t address = 0; address < image.size(); address += RecordLength) {
        if (address % SegmentLength == 0 && address > 0) {
            const auto segment = static_cast<std::uint16_t>(address / SegmentLength);
            const std::array<std::uint8_t, 2> base{static_cast<std::uint8_t>(segment >> 8),
                                                   static_cast<std::uint8_t>(segment & 0xFF)};
            appendRecord(text, 0, 0x04, base);
        }
        const std::size_t length = std::min(RecordLength, image.size() - address);
        appendRecord(text, static_cast<std::uint16_t>(address % SegmentLength), 0x00,
                     image.subspan(address, length));
    }
    appendRecord(text, 0, 0x01, {});
    return text;
}

}  // namespace kelvan::image
