#include "Console.h"

#include <chrono>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kelvan::cli {
namespace {

constexpr int BarWidth = 40;

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

// The characters a terminal shows for UTF-8 text: every byte but the continuation bytes.
std::size_t shownWidth(std::string_view text) {
    std::size_t width = 0;
    for (const char byte : text) {
        width += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    }
    return width;
}

}  // namespace

Console::Console(bool quiet) : quiet_(quiet), barAllowed_(!quiet && standardErrorIsTerminal()) {}

void Console::result(std::string_view line, bool isError) {
    if (quiet_ && !isError) {
        return;
    }
    print(stdout, line);
}

void Console::error(std::string_view line) {
    print(stderr, "kelvan-cli: " + std::string(line));
}

void Console::errorText(std::string_view text) {
    print(stderr, text);
}

// A line printed while the bar stands would run into it: the bar makes way and comes back.
void Console::print(std::FILE* stream, std::string_view line) {
    eraseBar();
    // Output that cannot be written (a closed pipe) leaves the tool nothing to tell it by;
    // the exit status still carries the result.
    static_cast<void>(std::fwrite(line.data(), 1, line.size(), stream));
    static_cast<void>(std::fputc('\n', stream));
    static_cast<void>(std::fflush(stream));
    drawBar();
}

void Console::setProgress(int maximum, int position) {
    maximum_ = maximum;
    position_ = position;
    progress_.update(maximum, position, std::chrono::steady_clock::now());
    drawBar();
}

void Console::showProgress() {
    barShown_ = true;
    drawBar();
}

void Console::closeProgress() {
    eraseBar();
    barShown_ = false;
}

void Console::drawBar() {
    if (!barAllowed_ || !barShown_ || maximum_ <= 0) {
        return;
    }
    const int filled = static_cast<int>(static_cast<long long>(BarWidth) * position_ / maximum_);
    std::string bar = "Очередь команд [" + std::string(static_cast<std::size_t>(filled), '#') +
                      std::string(static_cast<std::size_t>(BarWidth - filled), '.') + "] " +
                      std::to_string(position_) + "/" + std::to_string(maximum_) + " " +
                      progress_.text();
    if (bar == drawn_) {
        return;
    }
    // Plain carriage returns and spaces, which every console understands: a shorter bar
    // covers the rest of a longer one with blanks.
    const std::size_t width = shownWidth(bar);
    const std::size_t previous = shownWidth(drawn_);
    drawn_ = bar;
    if (previous > width) {
        bar.append(previous - width, ' ');
    }
    static_cast<void>(std::fprintf(stderr, "\r%s", bar.c_str()));
    static_cast<void>(std::fflush(stderr));
}

void Console::eraseBar() {
    if (drawn_.empty()) {
        return;
    }
    const std::string blank(shownWidth(drawn_), ' ');
    drawn_.clear();
    static_cast<void>(std::fprintf(stderr, "\r%s\r", blank.c_str()));
    static_cast<void>(std::fflush(stderr));
}

}  // namespace kelvan::cli
