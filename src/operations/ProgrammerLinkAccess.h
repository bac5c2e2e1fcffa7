#pragma once

#include "link/ProgrammerLink.h"
#include "operations/OperationPorts.h"

namespace kelvan::operations {

// The sequences' view of the real programmer link.
class ProgrammerLinkAccess : public LinkAccess {
  public:
    explicit ProgrammerLinkAccess(link::ProgrammerLink& link) : link_(link) {}

    void enqueueAnnouncing(std::span<const std::uint8_t> payload,
                           std::string_view statusWhenAnswered) override {
        link_.enqueue(payload, statusWhenAnswered);
    }
    std::uint32_t programMemorySize() const override { return link_.programMemorySize(); }
    std::uint32_t eepromSize() const override { return link_.eepromSize(); }
    std::optional<std::uint8_t> commandOfLine(int line) const override;
    bool commandOffered(std::uint8_t code) const override { return link_.commandOffered(code); }
    int lockBitCount() const override { return link_.lockBitCount(); }
    std::uint64_t queueClearCount() const override { return link_.queueClearCount(); }

  private:
    link::ProgrammerLink& link_;
};

}  // namespace kelvan::operations
