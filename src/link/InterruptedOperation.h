#pragma once

// What it means for the user when the programmer is lost with commands still queued: which
// queue contents are an operation cut short, and the one text that says so, shown by the window
// and printed by kelvan-cli.

#include <string>
#include <string_view>

namespace kelvan::link {

class CommandQueue;

enum class Interruption {
    None,      // nothing of an operation was pending: an idle link, start-up or a chip choice
    Checking,  // reads, verifies, checks: the chip is as it was, the results are incomplete
    Changing,  // a write or an erase was pending: the chip may be partly written or erased
};

inline constexpr std::string_view InterruptedCheckText =
    "Операция прервана: программатор не отвечает.";
inline constexpr std::string_view InterruptedChangeText =
    "Операция прервана: программатор не отвечает. Микросхема может быть записана или стёрта не "
    "полностью.";

// Asked before the window closes while an operation's commands are queued.
inline constexpr std::string_view InterruptQuestionText =
    "Операция с микросхемой ещё не закончена.\n\rПрервать её и выйти из программы?";

// Judges the queue as it stands before it is cleared. Only chip operations (codes 0 to 20) and
// entries waiting to report success (the closing request of a verify) count; the housekeeping
// requests (the title request the watchdog and the start-up queue, the chip list, a chip
// selection and its size requests) are no operation of the user's.
Interruption interruptionOf(const CommandQueue& queue);

// The status text for an interruption; empty for Interruption::None.
std::string_view interruptionText(Interruption interruption);

// The status text when the user cancelled `operation` (a command list caption, UTF-8; empty
// when unknown): "Операция «…» прервана." and, for Changing, that the chip may be left partly
// written or erased. Empty for Interruption::None.
std::string cancelledText(std::string_view operation, Interruption interruption);

}  // namespace kelvan::link
