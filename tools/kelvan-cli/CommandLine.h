#pragma once

// The command line of kelvan-cli: the actions with the command-list line each one runs, the
// list of serial ports, and the options, each defaulting to the program's stored settings when
// not given.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvan::cli {

enum class ArgumentKind {
    None,
    FuseBits,     // one 0/1 character per fuse bit, bit 0 first
    LockIndices,  // comma-separated lock bit indices to set, or "none"
    InputFile,    // loaded as a pick-up of the file would
    OutputFile,   // receives the buffer's bytes after a whole read
};

struct Action {
    std::string_view name;
    std::optional<std::uint8_t> code;  // the CommandCode of its line; nothing for info and ports
    ArgumentKind argument;
};

// Every action, in the order the help lists them.
extern const std::array<Action, 16> Actions;

// A command line that cannot be used; what() says why.
class UsageError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

struct CommandLine {
    const Action* action = nullptr;  // null only with help
    std::optional<std::string> chip;
    std::string file;                    // IN or OUT
    std::vector<bool> fuseBits;          // write-fuses
    std::vector<std::uint8_t> lockBits;  // write-locks: ascending, each once

    std::optional<std::string> port;
    std::optional<std::uint32_t> bitrate;
    std::optional<int> parity;
    std::optional<bool> signatureCheck;
    std::optional<bool> erase;
    std::optional<bool> verify;
    std::optional<bool> setLockBits;
    bool noHex = false;
    bool noEep = false;

    double timeoutSeconds = 10;
    // --wait: how long a port that is missing or vanishes before the programmer has answered
    // is tried again, every second; nothing: it is an error at once.
    std::optional<double> waitSeconds;
    bool quiet = false;
    bool truncate = false;
    std::string trace;
    bool help = false;
};

// A file named on the command line, which arrives as UTF-8 on every platform.
std::filesystem::path utf8Path(std::string_view text);

// Parses the arguments after the program name. Options may stand anywhere before "--"; each
// takes its value as the next argument or after "=". Throws UsageError.
CommandLine parseCommandLine(std::span<const std::string_view> arguments);

// The text of --help.
std::string_view usageText();

}  // namespace kelvan::cli
