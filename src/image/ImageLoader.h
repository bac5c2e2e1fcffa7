#pragma once

// Loading a file into a byte image: raw binary, or Intel HEX text chosen by the file's
// extension and two options. Plain C++ without Qt, so that the command-line loader starts at
// once and the readers can be fuzzed; the window turns each outcome into its box or silence.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kelvan::image {

// No image of this many bytes or more is ever taken into ProgramBuffer.
inline constexpr std::size_t ImageLengthLimit = 524288;

struct LoadOptions {
    bool hexFiles = true;  // "понимать HEX-файлы": ".HEX" files are read as Intel HEX
    bool eepFiles = true;  // "понимать EEP-файлы": ".EEP" files are read as Intel HEX
};

enum class LoadOutcome {
    Loaded,          // image holds the file's image
    NoFile,          // empty path or no such file: nothing loaded, nothing said
    IgnoredTooLong,  // a raw file longer than ImageLengthLimit: ignored without a word
    LengthWarning,   // the image would hold ImageLengthLimit bytes or more: warn, load nothing
    Abandoned,       // Intel HEX with no end-of-file record or a non-digit in a field
    OpenFailed,      // the file cannot be opened or read
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::NoFile;
    // Loaded: the image, byte 0 at address 0.
    std::vector<std::uint8_t> image;
    // Abandoned: what stopped the load, with its line number where it has one;
    // OpenFailed: the system's reason. Empty otherwise.
    std::string reason;
};

// True when the working-file load reads file as Intel HEX: its extension is ".HEX" with
// hexFiles set or ".EEP" with eepFiles set, compared case-blind. Saving under such a name
// writes Intel HEX, so that the file loads back as the same image.
bool readsAsIntelHex(const std::filesystem::path& file, const LoadOptions& options);

// The working-file load: the file's extension (from the last "." after every "/", "\" and
// ":", compared case-blind) and the options choose Intel HEX or raw. A raw file longer than the
// limit is ignored, one of exactly the limit warned about; a HEX file is judged by its image
// alone, however long its text. A folder counts as no file.
LoadResult loadWorkingFile(const std::filesystem::path& file, const LoadOptions& options);

// The load of the hidden tool-bar button: only ".hex" or ".HEX" exactly, with hexFiles set,
// is read as Intel HEX; everything else is raw, and only the image length test applies (a raw
// file of the limit or longer is warned about).
LoadResult loadWithButtonRules(const std::filesystem::path& file, bool hexFiles);

// Intel HEX text to an image: records in any order, extended segment (02) and linear (04)
// addresses honoured, gaps below the highest address written filled with FF. Gives Loaded,
// LengthWarning, or Abandoned with "no end-of-file record" or the line and the character that
// is not a digit; IntelHexReader.h has the details.
LoadResult readIntelHex(std::span<const std::uint8_t> text);

}  // namespace kelvan::image
