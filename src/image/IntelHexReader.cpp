#include "image/IntelHexReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace kelvan::image {
namespace {

constexpr std::uint8_t NotADigit = 0x10;

// The value of every character as a hexadecimal digit, or NotADigit: one lookup per digit.
constexpr std::array<std::uint8_t, 256> DigitValues = [] {
    std::array<std::uint8_t, 256> values{};
    values.fill(NotADigit);
    for (std::uint8_t digit = 0; digit < 10; ++digit) {
        values['0' + digit] = digit;
    }
    for (std::uint8_t digit = 0; digit < 6; ++digit) {
        values['A' + digit] = static_cast<std::uint8_t>(10 + digit);
        values['a' + digit] = static_cast<std::uint8_t>(10 + digit);
    }
    return values;
}();

constexpr std::size_t HeaderDigits = 8;  // byte count, address, type
constexpr std::uint8_t DataRecord = 0x00;
constexpr std::uint8_t EndOfFileRecord = 0x01;
constexpr std::uint8_t ExtendedSegmentRecord = 0x02;
constexpr std::uint8_t ExtendedLinearRecord = 0x04;
constexpr std::size_t ExtendedAddressBytes = 2;

// Large enough to hold any record that runs past the end of one read, with room to spare.
constexpr std::size_t StreamBufferSize = 64 * 1024;
static_assert(StreamBufferSize > 2 * IntelHexReader::MaxRecordCharacters);

// Turns count pairs of digits at text into bytes at out. Returns false when any of the
// characters is not a digit; out then holds garbage.
bool decodeBytes(const std::uint8_t* text, std::size_t count, std::uint8_t* out) {
    std::uint8_t faults = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t high = DigitValues[text[2 * k]];
        const std::uint8_t low = DigitValues[text[2 * k + 1]];
        faults |= high | low;
        out[k] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return (faults & NotADigit) == 0;
}

std::size_t countLineEnds(std::span<const std::uint8_t> text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The position of the first character in text[from, to) that is not a digit, or to.
std::size_t firstNonDigit(std::span<const std::uint8_t> text, std::size_t from, std::size_t to) {
    while (from < to && DigitValues[text[from]] != NotADigit) {
        ++from;
    }
    return from;
}

// A character for a message: itself in quotes when printable, its code otherwise.
std::string describe(std::uint8_t character) {
    if (character >= 0x20 && character < 0x7F) {
        return std::string("\"") + static_cast<char>(character) + "\"";
    }
    char code[16];
    std::snprintf(code, sizeof code, "byte 0x%02X", character);
    return code;
}

}  // namespace

IntelHexReader::IntelHexReader(std::size_t textLength) {
    // Every data byte takes two characters of text, so a dense file's image fits at once.
    image_.reserve(std::min(textLength / 2, ImageLengthLimit - 1));
}

std::size_t IntelHexReader::read(std::span<const std::uint8_t> text, bool last) {
    std::size_t position = 0;
    while (!finished_) {
        const void* colon = position < text.size()
                                ? std::memchr(text.data() + position, ':', text.size() - position)
                                : nullptr;
        if (colon == nullptr) {
            if (last) {
                return abandon(text, text.size(), "no end-of-file record");
            }
            linesBefore_ += countLineEnds(text);
            return text.size();
        }
        const std::size_t start =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(colon) - text.data());
        const std::size_t fields = start + 1;
        const std::size_t available = text.size() - fields;
        if (available < HeaderDigits) {
            return last ? finishIncomplete(text, fields) : keepFrom(text, start);
        }
        std::array<std::uint8_t, 4> header{};
        if (!decodeBytes(text.data() + fields, header.size(), header.data())) {
            return abandonAtNonDigit(text, fields, HeaderDigits);
        }
        const std::size_t count = header[0];
        const std::uint8_t type = header[3];
        std::size_t bodyDigits = 0;
        if (type == DataRecord) {
            bodyDigits = 2 * count;
        } else if (type == ExtendedSegmentRecord || type == ExtendedLinearRecord) {
            if (count != ExtendedAddressBytes) {
                // Its value would be a guess, and a guessed base moves data to wrong addresses.
                return abandon(
                    text, start,
                    "an extended address record must hold 2 bytes, not " + std::to_string(count),
                    true);
            }
            bodyDigits = 2 * ExtendedAddressBytes;
        }
        if (available - HeaderDigits < bodyDigits) {
            return last ? finishIncomplete(text, fields) : keepFrom(text, start);
        }
        const std::size_t body = fields + HeaderDigits;
        if (type == EndOfFileRecord) {
            finishAtEnd();
            return body;
        }
        if (type == DataRecord) {
            const std::uint64_t address = base_ + (std::uint64_t{header[1]} << 8 | header[2]);
            if (!decodeBytes(text.data() + body, count, dataTarget(address, count))) {
                return abandonAtNonDigit(text, body, bodyDigits);
            }
        } else if (bodyDigits != 0) {
            std::array<std::uint8_t, ExtendedAddressBytes> value{};
            if (!decodeBytes(text.data() + body, value.size(), value.data())) {
                return abandonAtNonDigit(text, body, bodyDigits);
            }
            const std::uint64_t base = std::uint64_t{value[0]} << 8 | value[1];
            base_ = type == ExtendedSegmentRecord ? base << 4 : base << 16;
        }
        position = body + bodyDigits;
    }
    return text.size();
}

LoadResult IntelHexReader::takeResult() {
    return std::move(result_);
}

std::size_t IntelHexReader::keepFrom(std::span<const std::uint8_t> text, std::size_t start) {
    linesBefore_ += countLineEnds(text.first(start));
    return start;
}

std::size_t IntelHexReader::finishIncomplete(std::span<const std::uint8_t> text,
                                             std::size_t fields) {
    // Everything after the ":" belongs to the record's fields, which the text cuts short.
    const std::size_t bad = firstNonDigit(text, fields, text.size());
    if (bad != text.size()) {
        return abandonAtNonDigit(text, bad, 1);
    }
    return abandon(text, text.size(), "no end-of-file record");
}

std::size_t IntelHexReader::abandonAtNonDigit(std::span<const std::uint8_t> text,
                                              std::size_t fields, std::size_t digits) {
    const std::size_t at = firstNonDigit(text, fields, fields + digits);
    return abandon(text, at, describe(text[at]) + " is not a hexadecimal digit", true);
}

std::size_t IntelHexReader::abandon(std::span<const std::uint8_t> text, std::size_t at,
                                    std::string reason, bool withLine) {
    if (withLine) {
        const std::size_t line = linesBefore_ + countLineEnds(text.first(at)) + 1;
        reason = "line " + std::to_string(line) + ": " + reason;
    }
    image_ = {};
    result_ = LoadResult{LoadOutcome::Abandoned, {}, std::move(reason)};
    finished_ = true;
    return text.size();
}

void IntelHexReader::finishAtEnd() {
    if (tooLong_) {
        image_ = {};
        result_ = LoadResult{LoadOutcome::LengthWarning, {}, {}};
    } else {
        result_ = LoadResult{LoadOutcome::Loaded, std::move(image_), {}};
    }
    finished_ = true;
}

std::uint8_t* IntelHexReader::dataTarget(std::uint64_t address, std::size_t count) {
    const std::uint64_t end = address + count;
    if (count == 0 || tooLong_ || end >= ImageLengthLimit) {
        // An empty record writes nothing; a record that reaches the limit condemns the image,
        // but its digits are still checked, since a fault later in the text abandons instead.
        tooLong_ = tooLong_ || count != 0;
        return discard_.data();
    }
    if (end > image_.size()) {
        if (end > image_.capacity()) {
            image_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(
                std::max<std::uint64_t>(end, 2 * image_.capacity()), ImageLengthLimit - 1)));
        }
        image_.resize(static_cast<std::size_t>(end), 0xFF);
    }
    return image_.data() + address;
}

LoadResult readIntelHexStream(const TextSource& source, std::size_t textLength) {
    IntelHexReader reader(textLength);
    std::vector<std::uint8_t> buffer(StreamBufferSize);
    std::size_t kept = 0;
    for (;;) {
        std::error_code error;
        const std::size_t got = source(std::span(buffer).subspan(kept), error);
        if (error) {
            return LoadResult{LoadOutcome::OpenFailed, {}, error.message()};
        }
        const std::size_t held = kept + got;
        const std::size_t used = reader.read(std::span(buffer).first(held), got == 0);
        if (reader.finished()) {
            return reader.takeResult();
        }
        std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(used),
                  buffer.begin() + static_cast<std::ptrdiff_t>(held), buffer.begin());
        kept = held - used;
    }
}

}  // namespace kelvan::image
