#pragma once

// A failing end-to-end test prints the wire trace of its run, so the failure explains itself:
// timing faults seldom come back when the test is run again.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "link/ProgrammerLink.h"
#include "link/WireTrace.h"

namespace kelvan::test {

// Prints trace, a wire trace's text, when the running test has failed: its last lines, where
// the failure is, as a whole 64 KiB run is some thousand lines.
inline void printWireIfFailed(const std::string& title, const std::string& trace) {
    if (!::testing::Test::HasFailure() || trace.empty()) {
        return;
    }
    constexpr std::size_t LastLines = 400;
    std::vector<std::string> lines;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(std::move(line));
    }
    const std::size_t first = lines.size() > LastLines ? lines.size() - LastLines : 0;
    std::cout << "---- wire trace of " << title << " (" << lines.size() - first << " of "
              << lines.size() << " lines) ----\n";
    for (std::size_t i = first; i < lines.size(); ++i) {
        std::cout << lines[i] << '\n';
    }
    std::cout << "---- end of the wire trace ----" << std::endl;
}

inline void printWireFileIfFailed(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    printWireIfFailed(file.filename().string(), text.str());
}

// Records every frame of a link in memory while the test runs.
class RecordedWire {
  public:
    explicit RecordedWire(link::ProgrammerLink& link) { link.setObserver(&trace_); }
    link::LinkObserver& observer() { return trace_; }
    void printIfFailed(const std::string& title) const { printWireIfFailed(title, text_.str()); }

  private:
    std::ostringstream text_;
    link::WireTrace trace_{text_, std::chrono::steady_clock::now()};
};

}  // namespace kelvan::test
