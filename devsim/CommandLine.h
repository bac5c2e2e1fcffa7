#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "devsim/Simulator.h"

namespace kelvan::devsim {

// What kelvan-devsim was asked to do.
struct CommandLine {
    SimulatorOptions options;
    std::string dumpDirectory;  // empty: no dump at exit
    std::optional<std::chrono::milliseconds> exitAfter;
    bool help = false;
};

// Parses the arguments after the program name. Throws std::invalid_argument with a message
// naming the offending option on anything it cannot use.
CommandLine parseCommandLine(std::span<const std::string_view> arguments);

// The text of --help.
std::string usageText();

}  // namespace kelvan::devsim
