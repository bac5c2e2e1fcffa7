#include "link/ProgrammerLink.h"

#include <string>

#include "link/ReplyLayout.h"

namespace kelvan::link {

ProgrammerLink::ProgrammerLink(ByteSink& sink, WatchdogTimer& watchdog, LinkView& view,
                               ProgramBuffer& buffer)
    : watchdog_(watchdog),
      view_(view),
      queue_(view),
      sender_(queue_, sink, view),
      dispatcher_(view, buffer, queue_, tables_),
      parser_(*this) {}

void ProgrammerLink::receiveData(std::span<const std::uint8_t> block) {
    parser_.receive(block);
}

void ProgrammerLink::watchdogExpired() {
    view_.setDisconnectedCaption("Программатор не подключен");
    queue_.clear();
    // Only the lock bits are forgotten; the fuse-bit dialog keeps its boxes.
    view_.clearBitBoxes(BitDialog::Lock);
    tables_.lockBitCount = 0;
    view_.clearChipList();
    tables_.commands.clear(view_);
    queue_.enqueue(commands::askTitle());
}

void ProgrammerLink::emptyFrame() {
    watchdog_.restart();
    sender_.sendHead();
}

// A reply is acted on only while it answers the head; anything else, a reply shorter than its
// layout included, is dropped without a word and leaves the queue and the RetryCounter as they
// were. The dispatcher never sends, so the counter can be reset after it has run.
// A status text that waits for this answer is shown after it, unless the answer cleared the
// queue (a wrong signature, a failed verify): then the command completed nothing.
void ProgrammerLink::replyFrame(std::span<const std::uint8_t> payload) {
    if (queue_.empty() || !replyAnswers(payload, queue_.head())) {
        return;
    }
    const std::string statusWhenAnswered(queue_.headStatusWhenAnswered());
    const std::uint64_t clearsBefore = queue_.clearCount();
    if (!dispatcher_.dispatch(payload)) {
        return;
    }
    sender_.replyDispatched();
    // The dispatcher may have cleared the queue; removing from an empty queue does nothing.
    queue_.removeHead();
    if (!statusWhenAnswered.empty() && queue_.clearCount() == clearsBefore) {
        view_.setStatusText(statusWhenAnswered);
    }
}

void ProgrammerLink::enqueue(std::span<const std::uint8_t> payload) {
    queue_.enqueue(payload);
}
void ProgrammerLink::enqueue(std::span<const std::uint8_t> payload,
                             std::string_view statusWhenAnswered) {
    queue_.enqueue(payload, statusWhenAnswered);
}
void ProgrammerLink::clearQueue() {
    queue_.clear();
}
std::size_t ProgrammerLink::queueLength() const {
    return queue_.size();
}

std::uint32_t ProgrammerLink::programMemorySize() const {
    return tables_.programMemorySize;
}
std::uint32_t ProgrammerLink::eepromSize() const {
    return tables_.eepromSize;
}
const std::array<std::uint8_t, 32>& ProgrammerLink::commandMap() const {
    return tables_.commands.map();
}
int ProgrammerLink::commandCount() const {
    return tables_.commands.count();
}
bool ProgrammerLink::commandOffered(std::uint8_t code) const {
    return tables_.commands.offered(code);
}
int ProgrammerLink::lockBitCount() const {
    return tables_.lockBitCount;
}
int ProgrammerLink::fuseBitCount() const {
    return tables_.fuseBitCount;
}
int ProgrammerLink::aboutLineCount() const {
    return tables_.aboutLineCount;
}
int ProgrammerLink::retryCounter() const {
    return sender_.retryCounter();
}

}  // namespace kelvan::link
