#include "devsim/CommandLine.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace kelvan::devsim {
namespace {

template <typename Number>
Number parseNumber(std::string_view option, std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        throw std::invalid_argument(std::string(option) + ": not a number: " + std::string(text));
    }
    return value;
}

// A decimal number, or a hexadecimal one after "0x".
std::uint32_t parseAddress(std::string_view option, std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        const std::string_view digits = text.substr(2);
        std::uint32_t value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
            throw std::invalid_argument(std::string(option) +
                                        ": not an address: " + std::string(text));
        }
        return value;
    }
    return parseNumber<std::uint32_t>(option, text);
}

std::chrono::milliseconds parseMilliseconds(std::string_view option, std::string_view text) {
    return std::chrono::milliseconds(parseNumber<unsigned>(option, text));
}

// Seconds, with a fraction if wanted ("0.25"), from 0 to a day, to the nearest millisecond.
std::chrono::milliseconds parseSeconds(std::string_view option, std::string_view text) {
    const double seconds = parseNumber<double>(option, text);
    if (!(seconds >= 0.0 && seconds <= 24 * 3600.0)) {
        throw std::invalid_argument(std::string(option) + ": must lie in 0..86400 seconds");
    }
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

}  // namespace

std::string usageText() {
    return R"(Usage: kelvan-devsim [options]

Simulated programmer on a pseudo-terminal. Prints the path of the terminal the host should
open as its serial port on the first line of standard output, then speaks the link until
SIGINT or SIGTERM (or --exit-after) and exits with status 0.

It can be unplugged and plugged in again as a USB programmer would: --unplug-after closes its
terminal, so that a host with the port open sees it hang up, and --replug-after opens a new
terminal, with the chips' memories as they were. The new terminal has a new path; --link
keeps a name that follows it, as the stable names of USB serial devices do.

The device offers three invented chips (Кристалл-А1, Кристалл-Б8, Кристалл-М64). It sends a
ready frame at start, after each reply and whenever nothing has been sent for the ready
interval; while the host has not yet answered every ready already out, the ready after a
reply waits up to 50 ms for it. Commands 1, 2, 4, 6, 7, 8, 10, 12, 14, 16-19, 249, 255 and
unknown codes are answered with the code alone, as is any payload too short for its command.
Chip requests with no chip selected (249 with an index past the list) get zero counts, sizes
and mask and empty texts. Reads are clipped to the memory and to 249 bytes; a verify reply
carries the first failing address.

Options:
  --baud N              pace both directions as a line at N bit/s, 10 bits per byte: a
                        byte reaches the host, and a host's byte is taken, only once it
                        has crossed the line (default 0: unpaced)
  --ready-interval MS   idle time before another ready frame, 1..1000 (default 500)
  --wrong-signature     declare every chip's signature wrong (verdict 0 in reply 0)
  --bad-cell ADDRESS    this program memory address (decimal, or hex after 0x) stores the
                        complement of what is written, so a verify of its chunk fails
                        there; may be given more than once
  --corrupt FRACTION    flip one random bit in this fraction (0..1) of outgoing bytes
  --seed N              seed of the corruption (default 1)
  --silent-after MS     go silent this long after start: send nothing, ignore input ...
  --silent-for MS       ... for this long (default 0), then send a ready frame again
  --duplicate-ready     send each ready twice, 20 ms apart, answering commands only after
                        the second, so the host sends its head twice and gets two answers
  --log FILE            log every frame in both directions, with seconds since start, in hex
  --dump DIR            at exit, write chipN-program.bin and chipN-eeprom.bin per chip
                        (N from 0 in list order) into DIR, creating it if needed
  --link PATH           keep a symbolic link at PATH pointing at the current terminal,
                        absent while unplugged and removed at exit; PATH must not be
                        anything but a symbolic link already
  --unplug-after SECONDS
                        close the terminal this long after start (a fraction is allowed)
  --replug-after SECONDS
                        open a new terminal this long after the unplug; needs
                        --unplug-after
  --exit-after MS       exit on its own after this long
  --help                show this text
)";
}

CommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    CommandLine result;
    SimulatorOptions& options = result.options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view option = arguments[i];
        const auto value = [&]() -> std::string_view {
            if (i + 1 >= arguments.size()) {
                throw std::invalid_argument(std::string(option) + ": value missing");
            }
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            result.help = true;
        } else if (option == "--baud") {
            options.baud = parseNumber<unsigned>(option, value());
        } else if (option == "--ready-interval") {
            options.readyInterval = parseMilliseconds(option, value());
            if (options.readyInterval.count() < 1 || options.readyInterval.count() > 1000) {
                throw std::invalid_argument("--ready-interval: must lie in 1..1000");
            }
        } else if (option == "--wrong-signature") {
            options.wrongSignature = true;
        } else if (option == "--bad-cell") {
            options.badProgramCells.push_back(parseAddress(option, value()));
        } else if (option == "--corrupt") {
            options.corruptFraction = parseNumber<double>(option, value());
            if (!(options.corruptFraction >= 0.0 && options.corruptFraction <= 1.0)) {
                throw std::invalid_argument("--corrupt: must lie in 0..1");
            }
        } else if (option == "--seed") {
            options.seed = parseNumber<std::uint32_t>(option, value());
        } else if (option == "--silent-after") {
            options.silentAfter = parseMilliseconds(option, value());
        } else if (option == "--silent-for") {
            options.silentFor = parseMilliseconds(option, value());
        } else if (option == "--duplicate-ready") {
            options.duplicateReady = true;
        } else if (option == "--log") {
            options.logPath = std::string(value());
        } else if (option == "--dump") {
            result.dumpDirectory = std::string(value());
        } else if (option == "--link") {
            options.linkPath = std::string(value());
            if (options.linkPath.empty()) {
                throw std::invalid_argument("--link: empty path");
            }
        } else if (option == "--unplug-after") {
            options.unplugAfter = parseSeconds(option, value());
        } else if (option == "--replug-after") {
            options.replugAfter = parseSeconds(option, value());
        } else if (option == "--exit-after") {
            result.exitAfter = parseMilliseconds(option, value());
        } else {
            throw std::invalid_argument("unknown option: " + std::string(option));
        }
    }
    if (options.replugAfter && !options.unplugAfter) {
        throw std::invalid_argument("--replug-after: needs --unplug-after");
    }
    return result;
}

}  // namespace kelvan::devsim
