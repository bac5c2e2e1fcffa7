#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devsim/Catalogue.h"
#include "link/LinkFrame.h"

namespace kelvan::devsim {

using link::Bytes;

// One chip in the programmer's socket: its description and the state the commands change.
struct Chip {
    ChipDescription description;
    Bytes programMemory;
    Bytes eeprom;
    std::vector<bool> fuseBits;
    std::vector<bool> lockBits;
};

// The programmer without its line: takes one command payload, acts on the chips and returns
// the reply payload. Free of I/O and threads; the caller serialises access.
//
// Replies follow the host's layouts. Beyond them, by this device's own choice:
// - 1, 2, 4, 6, 7, 8, 10, 12, 14, 16..19, 249, 255 and unknown codes answer with the code alone;
// - a payload too short for its command's fixed fields is answered with the code alone and
//   changes nothing;
// - with no chip selected (249 with an index past the list), chip requests answer with zero
//   counts, sizes and mask, empty texts, and signature verdict 0;
// - reads are clipped to the memory and to 249 data bytes (the most one frame carries), and
//   the reply's count says how many bytes follow;
// - a verify fails (result 0) at the first address whose byte differs, lies outside the
//   memory or is missing from a short payload; the reply then carries that address;
// - writes store the bytes that lie inside the memory and ignore the rest; a bad program memory
//   cell stores the complement of what is written, so a verify of its chunk fails there.
class DeviceModel {
  public:
    static constexpr std::size_t MaxReadCount = 249;

    explicit DeviceModel(const Catalogue& catalogue = standardCatalogue());

    // Answers one command payload; the reply is never empty and never longer than 255 bytes.
    // An empty payload gets an empty reply (there is nothing to answer).
    Bytes handle(std::span<const std::uint8_t> command);

    // Signature verdict of reply 0: with this set the device declares every signature wrong.
    void setWrongSignature(bool wrong) { wrongSignature_ = wrong; }
    // Program memory addresses that do not take what is written, in every chip.
    void setBadProgramCells(std::vector<std::uint32_t> addresses) {
        badProgramCells_ = std::move(addresses);
    }

    std::size_t chipCount() const { return chips_.size(); }
    Chip& chip(std::size_t index) { return chips_.at(index); }
    const Chip& chip(std::size_t index) const { return chips_.at(index); }
    std::optional<std::size_t> selectedChip() const { return selected_; }

  private:
    Chip* selected();
    Bytes handleChipCommand(std::uint8_t code, std::span<const std::uint8_t> command);
    static Bytes readMemory(std::uint8_t code, const Bytes& memory,
                            std::span<const std::uint8_t> command);
    static void writeMemory(Bytes& memory, std::span<const std::uint8_t> command,
                            std::span<const std::uint32_t> badCells);
    static Bytes verifyMemory(std::uint8_t code, const Bytes& memory,
                              std::span<const std::uint8_t> command);

    std::string title_;
    std::vector<std::string> aboutLines_;
    std::vector<Chip> chips_;
    std::optional<std::size_t> selected_;
    bool wrongSignature_ = false;
    std::vector<std::uint32_t> badProgramCells_;
};

}  // namespace kelvan::devsim
