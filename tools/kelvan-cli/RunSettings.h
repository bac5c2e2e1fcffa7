#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "CommandLine.h"
#include "operations/OperationPorts.h"

namespace kelvan::cli {

// What one run uses: the port settings and the twelve options as Kelvan's settings store holds
// them (its defaults where a value is missing or unreadable), with the command line's values
// in their place where given. The store is only read.
struct RunSettings {
    std::string port;
    std::uint32_t bitrate = 0;
    int parity = -1;  // as "Parity" stores it: an item of the ninth-bit list, -1 none
    std::array<bool, 12> options{};  // CheckBox1..CheckBox12

    static RunSettings resolve(const CommandLine& commandLine);
};

// The options as the operation sequences ask for them.
class RunOptions : public operations::OptionSource {
  public:
    explicit RunOptions(const RunSettings& settings) : settings_(settings) {}
    bool isSet(operations::Option option) const override {
        return settings_.options.at(static_cast<std::size_t>(option) - 1);
    }

  private:
    const RunSettings& settings_;
};

}  // namespace kelvan::cli
