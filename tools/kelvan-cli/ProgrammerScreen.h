#pragma once

// The window's part in a console: what the link and the operation sequences would show goes to
// the console, and what the programmer described (title, about lines, chips, command list, bits)
// is kept for the reports.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Console.h"
#include "link/LinkPorts.h"
#include "operations/OperationPorts.h"

namespace kelvan::cli {

struct BitLine {
    std::string caption;      // UTF-8
    std::optional<bool> set;  // nothing until the programmer reported the bit's state
};

class ProgrammerScreen : public link::LinkView, public operations::OperationHost {
  public:
    explicit ProgrammerScreen(Console& console) : console_(console) {}

    // LoadFile for the write sequences; NoFile until set.
    std::function<image::LoadOutcome()> loadWorkingFile;
    // Whether the size warning is confirmed (write what fits) or ends the run.
    bool confirmSizeWarning = false;
    // The queue's progress goes to the console only while this is set.
    bool showQueueProgress = false;

    // The title arrived and no disconnection followed.
    bool connected() const { return connected_; }
    // How often the watchdog declared the programmer lost, and the retry limit gave up.
    int disconnections() const { return disconnections_; }
    int retryWarnings() const { return retryWarnings_; }
    // What the link said was cut short when the programmer was last lost; empty when nothing.
    const std::string& interruption() const { return interruption_; }
    // How often the status took the error colour.
    int errorColours() const { return errorColours_; }
    // The size warning was shown and not confirmed.
    bool sizeWarningRefused() const { return sizeWarningRefused_; }

    const std::string& title() const { return title_; }
    const std::vector<std::string>& aboutLines() const { return aboutLines_; }
    const std::vector<std::string>& chips() const { return chips_; }
    const std::vector<BitLine>& bits(link::BitKind dialog) const {
        return dialog == link::BitKind::Lock ? lockBits_ : fuseBits_;
    }

    // LinkView
    void setCaption(const link::DeviceText& title) override;
    void setDisconnectedCaption(std::string_view utf8) override;
    void setStatusText(std::string_view utf8) override;
    void setStatusErrorColour() override;
    void clearChipList() override { chips_.clear(); }
    void appendChip(const link::DeviceText& name) override;
    void clearCommandList() override {}
    void appendCommand(std::string_view) override {}
    void createBitBoxes(link::BitKind dialog, int count) override;
    void clearBitBoxes(link::BitKind dialog) override { bitLines(dialog).clear(); }
    void setBitCaption(link::BitKind dialog, int index, const link::DeviceText& caption) override;
    void setBitChecked(link::BitKind dialog, int index, bool checked) override;
    void createAboutLabels(int count) override;
    void setAboutLine(int index, const link::DeviceText& line) override;
    void formatGrid() override {}
    void setProgress(int maximum, int position) override;
    void showProgress() override;
    void closeProgress() override;
    void showWarning(std::string_view utf8) override;
    // Kept for the tool's error message rather than printed as a status.
    void operationInterrupted(std::string_view utf8) override { interruption_ = utf8; }

    void resetStatusColour() override { errorColour_ = false; }

    // OperationHost
    link::StatusDisplay& status() override { return *this; }
    void fitGridToBuffer() override {}
    void showBitDialog(link::BitKind, bool) override {}
    void showSizeWarning(std::string_view utf8) override;
    image::LoadOutcome reloadWorkingFile() override;

  private:
    std::vector<BitLine>& bitLines(link::BitKind dialog) {
        return dialog == link::BitKind::Lock ? lockBits_ : fuseBits_;
    }

    Console& console_;
    bool connected_ = false;
    int disconnections_ = 0;
    int retryWarnings_ = 0;
    int errorColours_ = 0;
    bool errorColour_ = false;
    bool sizeWarningRefused_ = false;
    std::string title_;
    std::string interruption_;
    std::vector<std::string> aboutLines_;
    std::vector<std::string> chips_;
    std::vector<BitLine> lockBits_;
    std::vector<BitLine> fuseBits_;
};

}  // namespace kelvan::cli
