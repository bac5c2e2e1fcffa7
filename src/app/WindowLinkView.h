#pragma once

// The link's screen in the window: the caption, the status line, the chip and command lists,
// the grid, the bit dialogs, the about box, the progress window and the warning box.

#include <QString>

#include "link/LinkPorts.h"

namespace kelvan::widgets {
class Prompter;
}  // namespace kelvan::widgets

namespace kelvan::app {

class Application;
class TForm1;

class WindowLinkView : public link::LinkView {
  public:
    WindowLinkView(Application& application, TForm1& window, widgets::Prompter& prompter)
        : application_(application), window_(window), prompter_(prompter) {}

    void setCaption(const link::DeviceText& title) override;
    void setDisconnectedCaption(std::string_view utf8) override;
    void setStatusText(std::string_view utf8) override;
    void setStatusErrorColour() override;
    void resetStatusColour() override;
    void clearChipList() override;
    void appendChip(const link::DeviceText& name) override;
    void clearCommandList() override;
    void appendCommand(std::string_view utf8Caption) override;
    void createBitBoxes(link::BitKind dialog, int count) override;
    void clearBitBoxes(link::BitKind dialog) override;
    void setBitCaption(link::BitKind dialog, int index, const link::DeviceText& caption) override;
    void setBitChecked(link::BitKind dialog, int index, bool checked) override;
    void createAboutLabels(int count) override;
    void setAboutLine(int index, const link::DeviceText& line) override;
    void formatGrid() override;
    void showFailedAddress(std::uint32_t address) override;
    void setProgress(int maximum, int position) override;
    void showProgress() override;
    void closeProgress() override;
    void showWarning(std::string_view utf8) override;

    // Why the port is down, on the status line unless an error stands there (an interrupted
    // operation says more); "" takes the text away again once the port is open.
    void showPortState(const QString& failure);

  private:
    Application& application_;
    TForm1& window_;
    widgets::Prompter& prompter_;
    QString shownPortFailure_;  // what showPortState put on the status line
};

}  // namespace kelvan::app
