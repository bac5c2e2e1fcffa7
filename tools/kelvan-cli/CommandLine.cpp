#include "CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "link/Commands.h"

namespace kelvan::cli {

using link::byteOf;
using link::CommandCode;

const std::array<Action, 16> Actions{{
    {"ports", std::nullopt, ArgumentKind::None},
    {"info", std::nullopt, ArgumentKind::None},
    {"signature", byteOf(CommandCode::ReadSignature), ArgumentKind::None},
    {"read-fuses", byteOf(CommandCode::ReadFuseBits), ArgumentKind::None},
    {"write-fuses", byteOf(CommandCode::WriteFuseBit), ArgumentKind::FuseBits},
    {"read-locks", byteOf(CommandCode::ReadLockBits), ArgumentKind::None},
    {"write-locks", byteOf(CommandCode::WriteLockBit), ArgumentKind::LockIndices},
    {"erase", byteOf(CommandCode::EraseAll), ArgumentKind::None},
    {"read-flash", byteOf(CommandCode::ReadProgramMemory), ArgumentKind::OutputFile},
    {"write-flash", byteOf(CommandCode::WriteProgramMemory), ArgumentKind::InputFile},
    {"verify-flash", byteOf(CommandCode::VerifyProgramMemory), ArgumentKind::InputFile},
    {"erase-eeprom", byteOf(CommandCode::EraseEeprom), ArgumentKind::None},
    {"read-eeprom", byteOf(CommandCode::ReadEeprom), ArgumentKind::OutputFile},
    {"write-eeprom", byteOf(CommandCode::WriteEeprom), ArgumentKind::InputFile},
    {"verify-eeprom", byteOf(CommandCode::VerifyEeprom), ArgumentKind::InputFile},
    {"calibration", byteOf(CommandCode::ReadCalibration), ArgumentKind::None},
}};

namespace {

constexpr std::string_view Usage = R"USAGE(Usage: kelvan-cli ports
  or:  kelvan-cli [options] info
  or:  kelvan-cli [options] --chip CHIP ACTION [ARG]

Talks to the programmer on the serial port the way the Kelvan window does: the same link, the
same command sequences and the same write options, so that the same frames cross the line.

"ports" lists the serial ports present, one a line, with four fields separated by tabs: the
name to give --port, the description, the USB vendor and product ids as vid:pid, and the
serial number (a field the system does not know stays empty). On Linux a USB adapter is
named by its stable /dev/serial/by-id/ link, which keeps its name whatever order adapters are
plugged in. Nothing is printed when there is no port; the exit status is 0 all the same.

"info" waits for the programmer and prints its title, the about lines and the chip list
(index and name). With --chip it also prints the commands the chip offers (code and caption),
the program memory and EEPROM sizes, and the fuse and lock bits (index, state, caption), whose
states it reads when the chip offers those commands.

CHIP is a chip's name exactly as the programmer reports it, or its index in the chip list.

Actions, with the code of the command-list line each one runs as if chosen in the window:
  signature            0  "Читать сигнатуру"
  read-fuses           3  "Читать FUSE биты"
  write-fuses BITS     4  "Записать FUSE биты"; BITS: one 0 or 1 per fuse bit, bit 0 first
  read-locks           5  "Читать LOCK биты"
  write-locks INDICES  6  "Записать LOCK биты"; INDICES: the lock bits to set, as 0,2 or none
  erase                7  "Стереть все"
  read-flash OUT       9  "Читать память программ"
  write-flash IN      10  "Записать память программ"
  verify-flash IN     11  "Сверить память программ"
  erase-eeprom        12  "Стереть EEPROM"
  read-eeprom OUT     13  "Читать EEPROM"
  write-eeprom IN     14  "Записать EEPROM"
  verify-eeprom IN    15  "Сверить EEPROM"
  calibration         20  "Читать калибровочные байты"

IN is loaded as Kelvan loads a working file it is given (see kelvan-load --help). OUT receives
the memory's bytes only after the whole read succeeded, through a temporary file and a rename,
so it is never left half-written.

Options; each defaults to what Kelvan's settings hold, and nothing given here is stored:
  --chip CHIP             the chip to choose
  --port PORT             the serial port ("ComPort")
  --bitrate N             bits per second ("Bitrate")
  --parity N              the ninth bit as "Parity" stores it: -1 or 0 none, 1 odd ("Чет"),
                          2 even ("Нечет"), 3 space ("0"), 4 mark ("1")
  --[no-]signature-check  check the signature when writing ("проверять сигнатуру": both
                          checks of a program memory write, the one of an EEPROM write)
  --[no-]erase            erase before writing ("стирать все", "стирать EEPROM")
  --[no-]verify           verify after writing ("верифицировать")
  --[no-]lock-bits        set every lock bit after a program memory write
  --no-hex                read ".HEX" files as raw bytes ("понимать HEX-файлы")
  --no-eep                read ".EEP" files as raw bytes ("понимать EEP-файлы")
  --truncate              when IN is longer than the memory, write what fits, as the window
                          does after its warning; without it the tool stops there
  --timeout SECONDS       how long to wait for the programmer (default 10)
  --wait SECONDS          wait up to SECONDS for the port to appear and the programmer to
                          answer, trying the port every second (for boards plugged in one
                          after another); without it a missing port is an error at once
  --trace FILE            write every frame in both directions to FILE
  --quiet                 print only errors
  --help                  show this text

Output: the status texts the window would show, one a line, on standard output (UTF-8), and
what was read; a progress bar of the command queue on standard error while that is a
terminal; errors on standard error.

Exit status:
  0    the action completed and nothing was flagged
  1    the programmer reported a failure (a wrong signature, a verify error), the retry limit
       was reached, or the programmer did not answer ("Программатор не подключен"; when
       it went away in the middle of the action, the window's "Операция прервана: ..."
       text, which says whether the chip may be left partly written or erased)
  2    the command line is wrong, the chip is unknown, the chip does not offer the command
       (the offered ones are listed), the port cannot be opened (with --wait: not within
       SECONDS), IN cannot be loaded, OUT
       cannot be written, or IN is longer than the memory and --truncate is not given
  130  Ctrl-C: nothing more was sent, the command in flight could finish or time out, and
       the tool said what was done

The trace has a line per frame: milliseconds since the start, ">" to the programmer or "<"
from it, the command code in decimal and the payload in hexadecimal, "ready" for the
programmer's ready signal, "(resend)" for a command sent again; "!" marks the retry limit.
)USAGE";

const Action* findAction(std::string_view name) {
    const auto found = std::find_if(Actions.begin(), Actions.end(),
                                    [name](const Action& action) { return action.name == name; });
    return found == Actions.end() ? nullptr : &*found;
}

template <typename Number>
Number parseNumber(std::string_view option, std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw UsageError(std::string(option) + ": not a number: " + std::string(text));
    }
    return value;
}

std::vector<bool> parseFuseBits(std::string_view text) {
    if (text.empty() || text.find_first_not_of("01") != std::string_view::npos) {
        throw UsageError("write-fuses: BITS must be 0s and 1s, one per fuse bit: " +
                         std::string(text));
    }
    std::vector<bool> bits;
    for (const char bit : text) {
        bits.push_back(bit == '1');
    }
    return bits;
}

std::vector<std::uint8_t> parseLockIndices(std::string_view text) {
    std::vector<std::uint8_t> indices;
    if (text == "none") {
        return indices;
    }
    while (true) {
        const std::size_t comma = text.find(',');
        indices.push_back(parseNumber<std::uint8_t>("write-locks", text.substr(0, comma)));
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

// Sets the positional ACTION and ARG.
void takePositional(CommandLine& result, std::string_view argument, int& count) {
    if (count == 0) {
        result.action = findAction(argument);
        if (result.action == nullptr) {
            throw UsageError("unknown action " + std::string(argument));
        }
    } else if (count == 1 && result.action->argument != ArgumentKind::None) {
        switch (result.action->argument) {
            case ArgumentKind::FuseBits:
                result.fuseBits = parseFuseBits(argument);
                break;
            case ArgumentKind::LockIndices:
                result.lockBits = parseLockIndices(argument);
                break;
            default:
                result.file = std::string(argument);
                break;
        }
    } else {
        throw UsageError("unexpected argument " + std::string(argument));
    }
    ++count;
}

// The switches without a value, and what each one sets.
bool takeSwitch(CommandLine& result, std::string_view option) {
    struct Switch {
        std::string_view name;
        std::optional<bool> CommandLine::*setting;
    };
    static constexpr std::array<Switch, 4> Switches{{
        {"signature-check", &CommandLine::signatureCheck},
        {"erase", &CommandLine::erase},
        {"verify", &CommandLine::verify},
        {"lock-bits", &CommandLine::setLockBits},
    }};
    for (const Switch& entry : Switches) {
        if (option == "--" + std::string(entry.name)) {
            result.*entry.setting = true;
            return true;
        }
        if (option == "--no-" + std::string(entry.name)) {
            result.*entry.setting = false;
            return true;
        }
    }
    if (option == "--no-hex") {
        result.noHex = true;
    } else if (option == "--no-eep") {
        result.noEep = true;
    } else if (option == "--quiet" || option == "-q") {
        result.quiet = true;
    } else if (option == "--truncate") {
        result.truncate = true;
    } else if (option == "--help" || option == "-h") {
        result.help = true;
    } else {
        return false;
    }
    return true;
}

constexpr std::array<std::string_view, 7> ValueOptions{
    "--chip", "--port", "--bitrate", "--parity", "--timeout", "--wait", "--trace"};

bool takesValue(std::string_view option) {
    return std::find(ValueOptions.begin(), ValueOptions.end(), option) != ValueOptions.end();
}

// The options with a value. Precondition: takesValue(option).
void takeValue(CommandLine& result, std::string_view option, std::string_view value) {
    if (option == "--chip") {
        result.chip = std::string(value);
    } else if (option == "--port") {
        if (value.empty()) {
            throw UsageError("--port: empty");
        }
        result.port = std::string(value);
    } else if (option == "--bitrate") {
        result.bitrate = parseNumber<std::uint32_t>(option, value);
        if (*result.bitrate == 0 ||
            *result.bitrate >
                static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
            throw UsageError("--bitrate: out of range: " + std::string(value));
        }
    } else if (option == "--parity") {
        result.parity = parseNumber<int>(option, value);
        if (*result.parity < -1 || *result.parity > 4) {
            throw UsageError("--parity: must lie in -1..4");
        }
    } else if (option == "--timeout" || option == "--wait") {
        const auto seconds = parseNumber<double>(option, value);
        if (!(seconds > 0 && seconds <= 24 * 3600)) {
            throw UsageError(std::string(option) + ": must lie above 0 and within a day");
        }
        if (option == "--timeout") {
            result.timeoutSeconds = seconds;
        } else {
            result.waitSeconds = seconds;
        }
    } else {
        if (value.empty()) {
            throw UsageError("--trace: empty file name");
        }
        result.trace = std::string(value);
    }
}

void checkComplete(const CommandLine& result, int positionals) {
    if (result.help) {
        return;
    }
    if (result.action == nullptr) {
        throw UsageError("an action is needed");
    }
    if (result.action->argument != ArgumentKind::None && positionals < 2) {
        throw UsageError(std::string(result.action->name) + " needs its argument");
    }
    if (result.action->argument == ArgumentKind::OutputFile && result.file == "-") {
        throw UsageError("standard output carries the status texts: name a file for OUT");
    }
    if (result.action->code && !result.chip) {
        throw UsageError(std::string(result.action->name) + " needs --chip");
    }
}

}  // namespace

std::filesystem::path utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

CommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    CommandLine result;
    int positionals = 0;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            takePositional(result, argument, positionals);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (const std::size_t equals = argument.find('=');
                   equals != std::string_view::npos) {
            const std::string_view option = argument.substr(0, equals);
            if (!takesValue(option)) {
                throw UsageError("unknown option, or one without a value: " + std::string(option));
            }
            takeValue(result, option, argument.substr(equals + 1));
        } else if (takeSwitch(result, argument)) {
            continue;
        } else if (!takesValue(argument)) {
            throw UsageError("unknown option " + std::string(argument));
        } else if (i + 1 == arguments.size()) {
            throw UsageError(std::string(argument) + ": value missing");
        } else {
            takeValue(result, argument, arguments[++i]);
        }
    }
    checkComplete(result, positionals);
    return result;
}

std::string_view usageText() {
    return Usage;
}

}  // namespace kelvan::cli
