#include "ProgrammerScreen.h"

#include "session/Windows1251.h"

namespace kelvan::cli {
namespace {

std::string decoded(const link::DeviceText& text) {
    return session::decodeWindows1251(text.bytes).toStdString();
}

// The program's two-line texts break with LF CR; a console wants a plain line feed.
std::string consoleLines(std::string_view text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "\n\r") {
            lines += '\n';
            ++i;
        } else {
            lines += text[i];
        }
    }
    return lines;
}

}  // namespace

void ProgrammerScreen::setCaption(const link::DeviceText& title) {
    title_ = decoded(title);
    connected_ = true;
}

void ProgrammerScreen::setDisconnectedCaption(std::string_view) {
    connected_ = false;
    ++disconnections_;
}

// The window shows every text until the next replaces it; a console prints each one that says
// something. The error colour is always set before its text.
void ProgrammerScreen::setStatusText(std::string_view utf8) {
    if (!utf8.empty()) {
        console_.result(utf8, errorColour_);
    }
}

void ProgrammerScreen::setStatusErrorColour() {
    errorColour_ = true;
    ++errorColours_;
}

void ProgrammerScreen::appendChip(const link::DeviceText& name) {
    chips_.push_back(decoded(name));
}

void ProgrammerScreen::createBitBoxes(link::BitKind dialog, int count) {
    bitLines(dialog).assign(static_cast<std::size_t>(count), BitLine{});
}

void ProgrammerScreen::setBitCaption(link::BitKind dialog, int index,
                                     const link::DeviceText& caption) {
    bitLines(dialog).at(static_cast<std::size_t>(index)).caption = decoded(caption);
}

void ProgrammerScreen::setBitChecked(link::BitKind dialog, int index, bool checked) {
    bitLines(dialog).at(static_cast<std::size_t>(index)).set = checked;
}

void ProgrammerScreen::createAboutLabels(int count) {
    aboutLines_.assign(static_cast<std::size_t>(count), std::string());
}

void ProgrammerScreen::setAboutLine(int index, const link::DeviceText& line) {
    aboutLines_.at(static_cast<std::size_t>(index)) = decoded(line);
}

void ProgrammerScreen::setProgress(int maximum, int position) {
    if (showQueueProgress) {
        console_.setProgress(maximum, position);
    }
}

void ProgrammerScreen::showProgress() {
    if (showQueueProgress) {
        console_.showProgress();
    }
}

void ProgrammerScreen::closeProgress() {
    console_.closeProgress();
}

// The retry limit's warning, the only one the link shows.
void ProgrammerScreen::showWarning(std::string_view utf8) {
    ++retryWarnings_;
    console_.errorText(consoleLines(utf8));
}

// Confirmed, the sequence goes on as after OK in the window; refused, the caller drops what
// the sequence queued, before any of it was sent.
void ProgrammerScreen::showSizeWarning(std::string_view utf8) {
    if (confirmSizeWarning) {
        console_.result(utf8);
        return;
    }
    sizeWarningRefused_ = true;
}

image::LoadOutcome ProgrammerScreen::reloadWorkingFile() {
    return loadWorkingFile ? loadWorkingFile() : image::LoadOutcome::NoFile;
}

}  // namespace kelvan::cli
