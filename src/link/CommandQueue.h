#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/LinkFrame.h"
#include "link/LinkPorts.h"

namespace kelvan::link {

// The first-in first-out list of pending command payloads, and the progress window that shows
// how much of it is left while more than one command is pending.
class CommandQueue {
  public:
    // Names the head for as long as it stays queued: how many entries had left the front when
    // it became the head. Every removal from the front counts, so no two heads share an id and
    // the difference of two ids is how many entries left the front in between.
    using EntryId = std::uint64_t;

    explicit CommandQueue(LinkView& view) : view_(view) {}

    // Copies payload to the tail; an empty payload queues nothing. The bar's maximum and
    // position become the new count; the window is shown from two entries on. A payload
    // longer than a frame can carry throws std::length_error and queues nothing.
    // statusWhenAnswered: the status text to show once the programmer has answered this entry.
    void enqueue(std::span<const std::uint8_t> payload, std::string_view statusWhenAnswered = {});

    // Drops the head (nothing on an empty queue); the bar's position becomes the new count,
    // and the window closes when the queue empties.
    void removeHead();

    // Drops the head only while it is still the entry named by id: a reply handler that ran
    // a nested pass may find its command already answered, or the queue cleared and refilled.
    // Returns whether it dropped it.
    bool removeHeadIf(EntryId id);

    // RemoveHead until empty. Every call counts in clearCount(), on an empty queue too.
    void clear();
    // Drops every entry behind the head, the head keeping its id; counts in clearCount() like
    // clear(). The bar's position becomes the new count.
    void dropBehindHead();
    // The head, once answered, shows no status text: a cancelled operation never reports
    // success.
    void forgetHeadStatus();
    // How often the queue was cleared (a verdict, a failed verify, the retry limit, the
    // watchdog): an operation that queued commands and finds this changed knows they may have
    // been dropped.
    std::uint64_t clearCount() const { return clearCount_; }

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }

    // The head's payload; valid until the queue next changes. Precondition: not empty.
    std::span<const std::uint8_t> head() const { return entries_.front().payload; }
    std::string_view headStatusWhenAnswered() const { return entries_.front().statusWhenAnswered; }
    // The head's id; dropBehindHead, which removes from the back, leaves it alone.
    EntryId headId() const { return removed_; }
    // Every queued payload, head first, for diagnostics and tests.
    std::vector<Bytes> payloads() const;
    // Calls visit(payload, statusWhenAnswered) for every entry, head first. visit must not
    // change the queue.
    template <typename Visit>
    void forEachEntry(Visit&& visit) const {
        for (const Entry& entry : entries_) {
            visit(std::span<const std::uint8_t>(entry.payload),
                  std::string_view(entry.statusWhenAnswered));
        }
    }

  private:
    struct Entry {
        Bytes payload;
        std::string statusWhenAnswered;  // mostly empty
    };

    LinkView& view_;
    std::deque<Entry> entries_;
    int progressMaximum_ = 0;
    std::uint64_t clearCount_ = 0;
    EntryId removed_ = 0;
};

}  // namespace kelvan::link
