#include "link/ProgrammerLink.h"

#include <algorithm>
#include <string>
#include <utility>

#include "link/ReplyLayout.h"

namespace kelvan::link {

ProgrammerLink::ProgrammerLink(ByteSink& sink, WatchdogTimer& watchdog, LinkView& view,
                               ProgramBuffer& buffer, const LinkClock& clock)
    : watchdog_(watchdog),
      view_(view),
      queue_(view),
      sender_(queue_, sink, view, clock),
      dispatcher_(view, buffer, queue_, tables_),
      parser_(*this) {}

void ProgrammerLink::receiveData(std::span<const std::uint8_t> block, LinkTime receivedAt) {
    // Blocks delivered by nested calls (while a modal box is open) carry their own stamps; the
    // rest of this block keeps its own once they return.
    const LinkTime outer = std::exchange(blockReceivedAt_, receivedAt);
    parser_.receive(block);
    blockReceivedAt_ = outer;
}

void ProgrammerLink::watchdogExpired() {
    programmerLost();
}

void ProgrammerLink::portHungUp() {
    programmerLost();
}

// The queue is judged before it is cleared, and the interruption is told last, so that its
// text replaces whatever an earlier step of the operation showed (a signature found right).
void ProgrammerLink::programmerLost() {
    const Interruption interruption = interruptionOf(queue_);
    view_.setDisconnectedCaption(DisconnectedCaption);
    queue_.clear();
    // Only the lock bits are forgotten; the fuse-bit dialog keeps its boxes.
    view_.clearBitBoxes(BitKind::Lock);
    tables_.lockBitCount = 0;
    view_.clearChipList();
    tables_.commands.clear(view_);
    queue_.enqueue(commands::askTitle());
    if (interruption != Interruption::None) {
        view_.operationInterrupted(interruptionText(interruption));
    }
}

// A ready read before the head last went out was sent before the programmer could have seen
// that command (the host was busy while several readies piled up): sending again would have
// the command carried out twice and its second answer taken for the next command with the
// same code. A ready read after the head went out but sooner than the head and a reply can
// cross the line was sent while the head was on its way (the programmer's idle timer ran out
// as the host answered its previous ready): it too sends nothing, as the head is about to be
// answered. Both are still proof of life. A ready read later repeats the head, which is how a
// lost command goes out again and what the retry limit counts.
ReceivedFrame ProgrammerLink::readyKind() const {
    if (blockReceivedAt_ < sender_.lastSentAt()) {
        return ReceivedFrame::StaleReady;
    }
    if (sender_.headInFlight() && blockReceivedAt_ < sender_.earliestReadyAfterHead()) {
        return ReceivedFrame::CrossingReady;
    }
    return ReceivedFrame::Ready;
}

bool ProgrammerLink::readySends() const {
    return readyKind() == ReceivedFrame::Ready;
}

void ProgrammerLink::emptyFrame() {
    watchdog_.restart();
    const ReceivedFrame kind = readyKind();
    if (observer_ != nullptr) {
        observer_->frameReceived({}, kind, blockReceivedAt_);
    }
    if (kind == ReceivedFrame::Ready) {
        sender_.sendHead();
    }
}

// The reply is copied out of the parser's reply area, which a pass nested in a handler (a box
// shown during dispatch) overwrites.
void ProgrammerLink::replyFrame(std::span<const std::uint8_t> payload) {
    std::array<std::uint8_t, MaxPayloadLength> copy{};
    const std::size_t length = std::min(payload.size(), copy.size());
    std::copy_n(payload.begin(), length, copy.begin());
    const ReplyBytes reply(copy.data(), length);
    const bool answered = answerHead(reply);
    if (observer_ != nullptr) {
        observer_->frameReceived(reply, answered ? ReceivedFrame::Answer : ReceivedFrame::Unmatched,
                                 blockReceivedAt_);
    }
}

// A reply is acted on only while it answers the head and the head has gone out: one command is
// out at a time, so a reply before the head was sent is the repeat of an earlier answer (a
// command sent twice when a ready crossed it on the line), and taking it would drop the head
// unsent; answers to writes carry nothing but their code to tell them apart. Anything else, a
// reply shorter than its layout included, is dropped without a word and leaves the queue and the
// retry counter as they were. Afterwards only the entry it answered is removed, should a nested pass
// have answered or cleared it already. The counter restarts once the dispatcher has found the reply
// complete; a send from a pass nested in the dispatch then goes uncounted, which at worst allows
// one more repeat before the warning. A status text that waits for this answer is shown once the
// entry is removed by it; an answer that cleared the queue (a wrong signature, a failed verify)
// completed nothing.
bool ProgrammerLink::answerHead(ReplyBytes reply) {
    if (!sender_.headInFlight() || !replyAnswers(reply, queue_.head())) {
        return false;
    }
    const CommandQueue::EntryId answered = queue_.headId();
    const std::string statusWhenAnswered(queue_.headStatusWhenAnswered());
    if (!dispatcher_.dispatch(reply)) {
        return false;
    }
    sender_.replyDispatched();
    if (queue_.removeHeadIf(answered) && !statusWhenAnswered.empty()) {
        view_.setStatusText(statusWhenAnswered);
    }
    return true;
}

void ProgrammerLink::enqueue(std::span<const std::uint8_t> payload,
                             std::string_view statusWhenAnswered) {
    queue_.enqueue(payload, statusWhenAnswered);
}
void ProgrammerLink::clearQueue() {
    queue_.clear();
}
bool ProgrammerLink::stopAfterCommandInFlight() {
    if (sender_.headInFlight()) {
        queue_.dropBehindHead();
        return true;
    }
    queue_.clear();
    return false;
}
Interruption ProgrammerLink::cancelQueued(std::string_view operation) {
    const Interruption interruption = interruptionOf(queue_);
    if (stopAfterCommandInFlight()) {
        queue_.forgetHeadStatus();
    }
    if (interruption != Interruption::None) {
        view_.operationInterrupted(cancelledText(operation, interruption));
    }
    return interruption;
}

void ProgrammerLink::setObserver(LinkObserver* observer) {
    observer_ = observer;
    sender_.setObserver(observer);
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
std::optional<int> ProgrammerLink::lineOfCommand(std::uint8_t code) const {
    return tables_.commands.lineOf(code);
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
