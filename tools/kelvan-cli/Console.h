#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "link/QueueProgress.h"

namespace kelvan::cli {

// Where the tool's words go: results and status texts to standard output, errors to standard
// error, and the command queue's progress as a bar on standard error while that is a terminal.
// All text is UTF-8.
class Console {
  public:
    // quiet: only errors are printed.
    explicit Console(bool quiet);

    // A status text the window would show, or a result; an error status (shown in the error
    // colour) is printed even when quiet.
    void result(std::string_view line, bool isError = false);
    // One of the tool's own complaints, on standard error, after "kelvan-cli: ".
    void error(std::string_view line);
    // A text of the program's own on standard error as it stands (the retry warning, the lost
    // programmer).
    void errorText(std::string_view text);

    // The progress window's bar: drawn from show until close, position out of maximum as the
    // bar shows it. Nothing happens unless standard error is a terminal.
    void setProgress(int maximum, int position);
    void showProgress();
    void closeProgress();

  private:
    void print(std::FILE* stream, std::string_view line);
    void drawBar();
    void eraseBar();

    bool quiet_;
    bool barAllowed_;
    bool barShown_ = false;
    int maximum_ = 0;
    int position_ = 0;
    link::QueueProgress progress_;
    std::string drawn_;  // the bar as it stands on the terminal, empty when it is not there
};

}  // namespace kelvan::cli
