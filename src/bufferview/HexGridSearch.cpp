#include "bufferview/HexGridSearch.h"

#include <cstring>
#include <limits>

#include "image/Windows1251.h"

namespace kelvan::bufferview {
namespace {

bool isBlank(char16_t character) {
    return character == u' ' || character == u'\t';
}

std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::uint8_t> digitValue(char16_t character) {
    if (character >= u'0' && character <= u'9') {
        return static_cast<std::uint8_t>(character - u'0');
    }
    if (character >= u'A' && character <= u'F') {
        return static_cast<std::uint8_t>(character - u'A' + 10);
    }
    if (character >= u'a' && character <= u'f') {
        return static_cast<std::uint8_t>(character - u'a' + 10);
    }
    return std::nullopt;
}

// Pairs of digits, in runs apart by blanks; nothing when any run is odd or holds another
// character.
std::optional<std::vector<std::uint8_t>> hexBytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    while (position < text.size()) {
        if (isBlank(text[position])) {
            ++position;
            continue;
        }
        std::size_t end = position;
        while (end < text.size() && !isBlank(text[end])) {
            ++end;
        }
        if ((end - position) % 2 != 0) {
            return std::nullopt;
        }
        for (; position < end; position += 2) {
            const auto high = digitValue(text[position]);
            const auto low = digitValue(text[position + 1]);
            if (!high || !low) {
                return std::nullopt;
            }
            bytes.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
        }
    }
    return bytes;
}

SearchPattern encodedText(std::u16string_view text) {
    SearchPattern pattern{SearchPattern::Kind::Text, {}, 0};
    pattern.bytes.reserve(text.size());
    for (const char16_t character : text) {
        const auto byte = unicodeToWindows1251(character);
        if (!byte) {
            return {SearchPattern::Kind::Unencodable, {}, character};
        }
        pattern.bytes.push_back(*byte);
    }
    return pattern;
}

}  // namespace

std::optional<std::size_t> ParseHexAddress(std::u16string_view typed) {
    std::u16string_view digits = trimmed(typed);
    if (digits.starts_with(u"0x") || digits.starts_with(u"0X")) {
        digits.remove_prefix(2);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    constexpr std::size_t Largest = std::numeric_limits<std::size_t>::max();
    std::size_t address = 0;
    for (const char16_t character : digits) {
        const auto digit = digitValue(character);
        if (!digit || address > Largest >> 4) {
            return std::nullopt;
        }
        address = address << 4 | *digit;
    }
    return address;
}

SearchPattern ParseSearchPattern(std::u16string_view typed) {
    const std::u16string_view text = trimmed(typed);
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"') {
        const std::u16string_view quoted = text.substr(1, text.size() - 2);
        return quoted.empty() ? SearchPattern{} : encodedText(quoted);
    }
    if (text.empty()) {
        return {};
    }
    if (auto bytes = hexBytes(text)) {
        return {SearchPattern::Kind::Bytes, std::move(*bytes), 0};
    }
    return encodedText(text);
}

std::optional<std::size_t> FindBytes(std::span<const std::uint8_t> data,
                                     std::span<const std::uint8_t> pattern, std::size_t from) {
    if (pattern.empty() || from >= data.size() || pattern.size() > data.size() - from) {
        return std::nullopt;
    }
    // The first byte is found by memchr, which scans many bytes at a time; only where it
    // matches is the rest compared.
    const std::uint8_t* const begin = data.data();
    const std::uint8_t* position = begin + from;
    const std::uint8_t* const lastStart = begin + (data.size() - pattern.size());
    while (position <= lastStart) {
        const void* first = std::memchr(position, pattern.front(),
                                        static_cast<std::size_t>(lastStart - position) + 1);
        if (first == nullptr) {
            return std::nullopt;
        }
        position = static_cast<const std::uint8_t*>(first);
        if (std::memcmp(position + 1, pattern.data() + 1, pattern.size() - 1) == 0) {
            return static_cast<std::size_t>(position - begin);
        }
        ++position;
    }
    return std::nullopt;
}

}  // namespace kelvan::bufferview
