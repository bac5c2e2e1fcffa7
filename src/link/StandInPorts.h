#pragma once

// Stand-ins for the link's ports where there is no window, timer or serial thread: the benchmarks,
// the fuzzer and the tests. Fakes that care about only a few of the view's calls derive from
// NullLinkView and override those.

#include "link/LinkPorts.h"

namespace kelvan::link {

// Shows nothing: every call is accepted and ignored.
class NullLinkView : public LinkView {
  public:
    void setCaption(const DeviceText&) override {}
    void setDisconnectedCaption(std::string_view) override {}
    void setStatusText(std::string_view) override {}
    void setStatusErrorColour() override {}
    void resetStatusColour() override {}
    void clearChipList() override {}
    void appendChip(const DeviceText&) override {}
    void clearCommandList() override {}
    void appendCommand(std::string_view) override {}
    void createBitBoxes(BitKind, int) override {}
    void clearBitBoxes(BitKind) override {}
    void setBitCaption(BitKind, int, const DeviceText&) override {}
    void setBitChecked(BitKind, int, bool) override {}
    void createAboutLabels(int) override {}
    void setAboutLine(int, const DeviceText&) override {}
    void formatGrid() override {}
    void setProgress(int, int) override {}
    void showProgress() override {}
    void closeProgress() override {}
    void showWarning(std::string_view) override {}
};

// A clock that stands still until it is set: the time of hand-offs and of received blocks is
// whatever the caller says.
class ManualClock : public LinkClock {
  public:
    LinkTime now() const override { return time; }
    LinkTime time{};
};

// A watchdog that never expires on its own; it counts how often the link restarted it.
class CountingWatchdog : public WatchdogTimer {
  public:
    void restart() override { ++restarts; }
    int restarts = 0;
};

}  // namespace kelvan::link
