#pragma once

// What the "Записать" button of the fuse-bit and lock-bit dialogs queues, defined once for the
// window's dialogs and for the command-line tool.

#include <cstdint>
#include <optional>

#include "link/LinkFrame.h"
#include "link/LinkPorts.h"

namespace kelvan::operations {

// The command that writes bit `index` of `dialog` as `set`, or nothing: every fuse bit is
// written with its state, [4, index, 0 or 1]; a lock bit only when set, [6, index], since
// command 6 only ever sets one.
std::optional<link::Bytes> bitWriteCommand(link::BitKind dialog, std::uint8_t index, bool set);

}  // namespace kelvan::operations
