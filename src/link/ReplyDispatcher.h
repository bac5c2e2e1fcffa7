#pragma once

#include "image/ProgramBuffer.h"
#include "link/CommandList.h"
#include "link/CommandQueue.h"
#include "link/LinkPorts.h"
#include "link/ReplyLayout.h"

namespace kelvan::link {

// Turns a reply that answers the queue head into its effects on the windows, the device tables,
// ProgramBuffer and the queue (follow-up requests go to the tail). It never shows a dialog.
//
// Replies that point outside what the host holds are limited to what it holds: bit states are
// applied to the existing check boxes only, and a caption or about line for an index beyond the
// count is ignored, as is a read chunk that does not lie wholly inside ProgramBuffer (a partial
// copy would pass off a short read as a complete one).
class ReplyDispatcher {
  public:
    ReplyDispatcher(LinkView& view, ProgramBuffer& buffer, CommandQueue& queue,
                    DeviceTables& tables)
        : view_(view), buffer_(buffer), queue_(queue), tables_(tables) {}

    // reply: byte 0 its code. Acts on it and returns true when it holds every byte its code's
    // layout needs; otherwise returns false and does nothing, so the reply does not count as
    // an answer. Reads nothing beyond reply's end.
    bool dispatch(ReplyBytes reply);

  private:
    void showSignature(const CountedReply& signature);
    void showCalibration(const CountedReply& calibration);
    void setBitStates(BitKind dialog, ReplyBytes states);
    void storeChunk(const ChunkReply& chunk);
    void checkVerify(const VerifyReply& verify);
    void setBitCaption(BitKind dialog, const IndexedTextReply& caption);
    void rebuildBitBoxes(BitKind dialog, std::uint8_t count);
    void setAboutLine(const IndexedTextReply& line);
    void rebuildAboutLabels(std::uint8_t count);
    void askChipNames(std::uint8_t count);
    void setTitle(ReplyBytes title);

    LinkView& view_;
    ProgramBuffer& buffer_;
    CommandQueue& queue_;
    DeviceTables& tables_;
};

}  // namespace kelvan::link
