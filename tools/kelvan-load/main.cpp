// kelvan-load: loads one file by the rules of the program's working-file load and writes the
// image that the buffer would hold as raw bytes. See Usage for the interface.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/LoadFailure.h"
#include "common/StandardOutput.h"
#include "image/ImageLoader.h"
#include "image/OutputFile.h"

namespace {

using kelvan::image::LoadResult;

constexpr const char* Usage = R"(Usage: kelvan-load [--no-hex] [--no-eep] INPUT OUTPUT

Loads INPUT the way Kelvan loads a working file into its buffer and writes the image as raw
bytes to OUTPUT ("-" writes to standard output).

  --no-hex   read ".HEX" files as raw bytes (clears "понимать HEX-файлы")
  --no-eep   read ".EEP" files as raw bytes (clears "понимать EEP-файлы")
  --help     show this text

The extension runs from the last "." after every "/", "\" and ":" of INPUT and is compared
regardless of case. ".HEX" and ".EEP" files are read as Intel HEX unless switched off; every
other file is raw binary, its bytes being the image.

A raw file longer than 524288 bytes is ignored; one of exactly 524288 bytes gets the length
warning and is not loaded.

Intel HEX: a record starts at ":" and text between records is passed over. Data (00),
end-of-file (01), extended segment (02) and extended linear (04) address records are read;
other record types and all checksums are skipped, and nothing after the end-of-file record is
read. Records may come in any order; where they overlap, the later one wins. Digits may be
upper or lower case. Addresses below the highest one written that no record covers hold FF.
A file is judged by its image, not by its length: an image of 524288 bytes or more gets the
length warning. A text without an end-of-file record, with another character where a
hexadecimal digit belongs, or with an extended address record that does not hold two bytes
abandons the load.

Exit status:
  0  the image was written to OUTPUT
  1  nothing was written, and one line on standard error says why: no such file, the file
     cannot be read, the length warning, a file ignored for its length, an abandoned load
     (no end-of-file record, or the line and character that is not a digit), OUTPUT naming
     the same file as INPUT (also through a link), or OUTPUT cannot be written
  2  the command line is wrong

OUTPUT is replaced only after a successful load, through a temporary file beside it that is
flushed to the disk before it takes OUTPUT's place, so it is never left half-written; after a
failure it is neither created nor changed. A replaced OUTPUT keeps its permissions, and a
symbolic link named as OUTPUT keeps pointing at the replaced file. A device or pipe named as
OUTPUT is written directly.
)";

struct Arguments {
    kelvan::image::LoadOptions options;
    std::string input;
    std::string output;
    bool help = false;
};

// Parses the arguments after the program name. Options may stand anywhere before "--";
// returns the complaint, empty when the command line is usable.
std::string parseArguments(int argc, char** argv, Arguments& arguments) {
    std::string positional[2];
    int count = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
            if (argument == "--") {
                optionsEnded = true;
            } else if (argument == "--no-hex") {
                arguments.options.hexFiles = false;
            } else if (argument == "--no-eep") {
                arguments.options.eepFiles = false;
            } else if (argument == "--help" || argument == "-h") {
                arguments.help = true;
            } else {
                return "unknown option " + std::string(argument);
            }
        } else if (count < 2) {
            positional[count++] = argument;
        } else {
            return "more than two files given";
        }
    }
    if (!arguments.help && count < 2) {
        return "INPUT and OUTPUT are both needed";
    }
    arguments.input = positional[0];
    arguments.output = positional[1];
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (const std::string complaint = parseArguments(argc, argv, arguments); !complaint.empty()) {
        std::fprintf(stderr, "kelvan-load: %s\nTry kelvan-load --help.\n", complaint.c_str());
        return 2;
    }
    if (arguments.help) {
        return std::fputs(Usage, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    const std::filesystem::path input(arguments.input);
    std::error_code ignored;  // a file that does not exist is no other file
    if (arguments.output != "-" &&
        std::filesystem::equivalent(input, std::filesystem::path(arguments.output), ignored)) {
        std::fprintf(stderr, "kelvan-load: %s is the same file as %s; nothing was written\n",
                     arguments.output.c_str(), arguments.input.c_str());
        return 1;
    }
    const LoadResult result = kelvan::image::loadWorkingFile(input, arguments.options);
    if (const std::string failure = kelvan::tools::loadFailure(result, arguments.input);
        !failure.empty()) {
        std::fprintf(stderr, "kelvan-load: %s\n", failure.c_str());
        return 1;
    }
    const std::error_code error =
        arguments.output == "-"
            ? kelvan::tools::writeStandardOutput(result.image)
            : kelvan::image::writeOutputFile(std::filesystem::path(arguments.output), result.image);
    if (error) {
        std::fprintf(stderr, "kelvan-load: cannot write %s: %s\n", arguments.output.c_str(),
                     error.message().c_str());
        return 1;
    }
    return 0;
}
