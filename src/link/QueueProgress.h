#pragma once

// How far the command queue has come, as a person reads it: the share of the queued commands
// already answered and, from the pace so far, the time the rest will take. Fed with the
// progress bar's values (the maximum and the commands still queued); the window's progress box
// and kelvan-cli's bar show the same text.

#include <chrono>
#include <optional>
#include <string>

#include "link/LinkPorts.h"

namespace kelvan::link {

class QueueProgress {
  public:
    // A new reading of the bar: `remaining` of `maximum` commands still queued at `now`. A
    // larger maximum (a new operation queued) starts the pace over.
    void update(int maximum, int remaining, LinkTime now);

    // 0 to 100, rounded down.
    int percentDone() const;
    // From the pace since the operation began; nothing until a command has been answered.
    std::optional<std::chrono::seconds> timeLeft() const;
    // "45 %".
    std::string percentText() const;
    // "осталось 1:05" (minutes and seconds); "" until the time left is known.
    std::string timeLeftText() const;
    // Both: "45 %, осталось 1:05", or "45 %" alone.
    std::string text() const;

  private:
    int maximum_ = 0;
    int remaining_ = 0;
    int remainingAtStart_ = 0;
    LinkTime startedAt_{};
    LinkTime lastAt_{};
};

}  // namespace kelvan::link
