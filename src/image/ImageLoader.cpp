#include "image/ImageLoader.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "image/FileHandle.h"
#include "image/IntelHexReader.h"

namespace kelvan::image {
namespace {

enum class Format { Raw, IntelHex };

// How a raw file's length is judged: the working-file load ignores a file longer than the
// limit and warns at exactly the limit; the button's load warns at the limit and above.
enum class RawLengthRule { IgnoreLonger, WarnOnly };

LoadResult failure(LoadOutcome outcome, std::string reason = {}) {
    return LoadResult{outcome, {}, std::move(reason)};
}

// The extension of a file name: from the last "." that follows every "/", "\" and ":", the
// "." included; empty when there is none. Characters outside ASCII become "?", which no
// extension the loaders look for contains.
std::string extensionOf(const std::filesystem::path& file) {
    using Char = std::filesystem::path::value_type;
    const auto& name = file.native();
    constexpr Char separators[] = {'/', '\\', ':', 0};
    const std::size_t dot = name.rfind(Char{'.'});
    const std::size_t separator = name.find_last_of(separators);
    if (dot == name.npos || (separator != name.npos && separator > dot)) {
        return {};
    }
    std::string extension;
    for (std::size_t i = dot; i < name.size(); ++i) {
        const auto character = static_cast<std::make_unsigned_t<Char>>(name[i]);
        extension.push_back(character < 0x80 ? static_cast<char>(character) : '?');
    }
    return extension;
}

std::string asciiUpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char character) {
        return character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A')
                                                    : character;
    });
    return text;
}

// Reads a raw file of the given length whole. A file that shrinks meanwhile gives what it
// still holds; growth after the length was taken is not read.
LoadResult readRaw(FileHandle& handle, std::size_t length) {
    std::vector<std::uint8_t> image(length);
    std::size_t filled = 0;
    while (filled < length) {
        std::error_code error;
        const std::size_t got = handle.readSome(std::span(image).subspan(filled), error);
        if (error) {
            return failure(LoadOutcome::OpenFailed, error.message());
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    image.resize(filled);
    return LoadResult{LoadOutcome::Loaded, std::move(image), {}};
}

LoadResult load(const std::filesystem::path& file, Format format, RawLengthRule rule) {
    if (file.empty()) {
        return failure(LoadOutcome::NoFile);
    }
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return failure(LoadOutcome::NoFile);
    }
    if (error) {
        return failure(LoadOutcome::OpenFailed, error.message());
    }
    if (!std::filesystem::is_regular_file(status)) {
        return failure(LoadOutcome::NoFile);
    }
    FileHandle handle = FileHandle::openForReading(file, error);
    if (error) {
        return failure(LoadOutcome::OpenFailed, error.message());
    }
    const std::uint64_t length = handle.size(error);
    if (error) {
        return failure(LoadOutcome::OpenFailed, error.message());
    }
    if (format == Format::IntelHex) {
        // Judged by its image, not by its length: the text of a valid image is nearly three
        // times as long as the image, and is streamed through a fixed buffer.
        const auto source = [&handle](std::span<std::uint8_t> into, std::error_code& readError) {
            return handle.readSome(into, readError);
        };
        return readIntelHexStream(
            source, static_cast<std::size_t>(std::min<std::uint64_t>(length, SIZE_MAX)));
    }
    if (rule == RawLengthRule::IgnoreLonger && length > ImageLengthLimit) {
        return failure(LoadOutcome::IgnoredTooLong);
    }
    if (length >= ImageLengthLimit) {
        return failure(LoadOutcome::LengthWarning);
    }
    return readRaw(handle, static_cast<std::size_t>(length));
}

}  // namespace

bool readsAsIntelHex(const std::filesystem::path& file, const LoadOptions& options) {
    const std::string extension = asciiUpperCase(extensionOf(file));
    return (extension == ".HEX" && options.hexFiles) || (extension == ".EEP" && options.eepFiles);
}

LoadResult loadWorkingFile(const std::filesystem::path& file, const LoadOptions& options) {
    return load(file, readsAsIntelHex(file, options) ? Format::IntelHex : Format::Raw,
                RawLengthRule::IgnoreLonger);
}

LoadResult loadWithButtonRules(const std::filesystem::path& file, bool hexFiles) {
    const std::string extension = extensionOf(file);
    const bool hex = hexFiles && (extension == ".hex" || extension == ".HEX");
    return load(file, hex ? Format::IntelHex : Format::Raw, RawLengthRule::WarnOnly);
}

LoadResult readIntelHex(std::span<const std::uint8_t> text) {
    IntelHexReader reader(text.size());
    reader.read(text, true);
    return reader.takeResult();
}

}  // namespace kelvan::image
