#pragma once

// Recording fakes of the link's view and sink (the watchdog is link::CountingWatchdog) and a
// fixture that wires them to one ProgrammerLink.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "image/ProgramBuffer.h"
#include "link/LinkFrame.h"
#include "link/LinkPorts.h"
#include "link/ProgrammerLink.h"
#include "link/StandInPorts.h"

namespace kelvan::link::test {

// Records every frame handed to SendData and keeps the payloads for easy comparison.
class FakeSink : public ByteSink {
  public:
    bool sendData(std::span<const std::uint8_t> bytes) override {
        frames.emplace_back(bytes.begin(), bytes.end());
        return accept;
    }
    std::uint32_t bitRate() const override { return lineBitRate; }
    // Payloads of the frames sent so far (the bytes between header and payload checksum).
    std::vector<Bytes> payloads() const {
        std::vector<Bytes> result;
        for (const Bytes& frame : frames) {
            result.emplace_back(frame.begin() + FrameHeaderSize, frame.end() - 1);
        }
        return result;
    }
    std::vector<Bytes> frames;
    bool accept = true;
    std::uint32_t lineBitRate = 0;
};

// Keeps the state the windows would show and a log of the calls in order. Indexes outside the
// counts last given are recorded as failures, since the link promises never to pass them.
class FakeView : public LinkView {
  public:
    struct BitBox {
        std::string caption;
        bool checked = false;
    };

    void setCaption(const DeviceText& title) override {
        log("caption " + title.bytes);
        caption = title.bytes;
    }
    void setDisconnectedCaption(std::string_view utf8) override {
        log("disconnected");
        caption = std::string(utf8);
    }
    void setStatusText(std::string_view utf8) override { status = std::string(utf8); }
    void setStatusErrorColour() override { errorColour = true; }
    void resetStatusColour() override { errorColour = false; }
    void clearChipList() override {
        log("clearChipList");
        chips.clear();
    }
    void appendChip(const DeviceText& name) override {
        chips.push_back(name.bytes);
        if (duringAppendChip) {
            duringAppendChip();  // as a box shown while a reply is dispatched would
        }
    }
    void clearCommandList() override {
        log("clearCommandList");
        commandList.clear();
    }
    void appendCommand(std::string_view utf8Caption) override {
        commandList.emplace_back(utf8Caption);
    }
    void createBitBoxes(BitKind dialog, int count) override {
        boxes(dialog).assign(static_cast<std::size_t>(count), BitBox{});
    }
    void clearBitBoxes(BitKind dialog) override {
        log(dialog == BitKind::Lock ? "clearLockBoxes" : "clearFuseBoxes");
        boxes(dialog).clear();
    }
    void setBitCaption(BitKind dialog, int index, const DeviceText& text) override {
        if (checkIndex(index, boxes(dialog).size())) {
            boxes(dialog)[static_cast<std::size_t>(index)].caption = text.bytes;
        }
    }
    void setBitChecked(BitKind dialog, int index, bool checked) override {
        if (checkIndex(index, boxes(dialog).size())) {
            boxes(dialog)[static_cast<std::size_t>(index)].checked = checked;
        }
    }
    void createAboutLabels(int count) override {
        aboutLines.assign(static_cast<std::size_t>(count), "Пока это неизвестная надпись!");
    }
    void setAboutLine(int index, const DeviceText& line) override {
        if (checkIndex(index, aboutLines.size())) {
            aboutLines[static_cast<std::size_t>(index)] = line.bytes;
        }
    }
    void formatGrid() override { ++gridFormats; }
    void showFailedAddress(std::uint32_t address) override { failedAddresses.push_back(address); }
    void setProgress(int maximum, int position) override {
        log("progress " + std::to_string(maximum) + " " + std::to_string(position));
    }
    void showProgress() override { log("showProgress"); }
    void closeProgress() override { log("closeProgress"); }
    void showWarning(std::string_view utf8) override {
        log("warning");
        warnings.emplace_back(utf8);
        if (duringWarning) {
            duringWarning();
        }
    }

    std::vector<BitBox>& boxes(BitKind dialog) {
        return dialog == BitKind::Lock ? lockBoxes : fuseBoxes;
    }
    // The log entries from index first on, and the number of entries equal to entry.
    std::vector<std::string> logFrom(std::size_t first) const {
        return {calls.begin() + static_cast<std::ptrdiff_t>(first), calls.end()};
    }
    int count(std::string_view entry) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), entry));
    }

    std::vector<std::string> calls;
    std::string caption;
    std::string status;
    bool errorColour = false;
    std::vector<std::string> chips;
    std::vector<std::string> commandList;
    std::vector<BitBox> lockBoxes;
    std::vector<BitBox> fuseBoxes;
    std::vector<std::string> aboutLines;
    int gridFormats = 0;
    std::vector<std::uint32_t> failedAddresses;
    std::vector<std::string> warnings;
    std::function<void()> duringWarning;
    std::function<void()> duringAppendChip;

  private:
    void log(std::string entry) { calls.push_back(std::move(entry)); }
    static bool checkIndex(int index, std::size_t count) {
        const bool inside = index >= 0 && static_cast<std::size_t>(index) < count;
        EXPECT_TRUE(inside) << "index " << index << " outside " << count;
        return inside;
    }
};

inline const Bytes ReadyFrame = buildLinkFrame(Bytes{});

inline Bytes frame(const Bytes& payload) {
    return buildLinkFrame(payload);
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A reply payload: code, then the bytes of each piece in turn.
inline Bytes textReply(std::uint8_t code, std::initializer_list<std::uint8_t> prefix,
                       std::string_view text) {
    Bytes payload(1 + prefix.size() + 1 + text.size());
    payload[0] = code;
    auto out = std::copy(prefix.begin(), prefix.end(), payload.begin() + 1);
    *out++ = static_cast<std::uint8_t>(text.size());
    std::copy(text.begin(), text.end(), out);
    return payload;
}

class LinkTest : public ::testing::Test {
  protected:
    // A block read now, or at receivedAt.
    void receive(const Bytes& bytes) { link.receiveData(bytes, clock.now()); }
    void receive(const Bytes& bytes, LinkTime receivedAt) { link.receiveData(bytes, receivedAt); }
    // A ready the programmer offers once its idle interval has run out: long after whatever the
    // host sent before could have crossed it.
    void ready() {
        clock.time += std::chrono::milliseconds(500);
        receive(ReadyFrame);
    }
    void reply(const Bytes& payload) { receive(frame(payload)); }
    // A ready lets the head go out (again), then payload comes back.
    void answer(const Bytes& payload) {
        ready();
        reply(payload);
    }
    // Queue the payloads, then answer nothing yet.
    void enqueue(std::initializer_list<Bytes> payloads) {
        for (const Bytes& payload : payloads) {
            link.enqueue(payload);
        }
    }
    // Queues command, lets it go out on a ready and answers it with payload.
    void exchange(const Bytes& command, const Bytes& answer) {
        link.enqueue(command);
        this->answer(answer);
    }
    // Gives the dialog count boxes through the count reply, then drops the caption requests.
    void giveBitBoxes(BitKind dialog, std::uint8_t count) {
        const std::uint8_t code = dialog == BitKind::Lock ? 245 : 247;
        exchange({code}, {code, count});
        link.clearQueue();
    }
    std::vector<Bytes> queued() const { return link.queue().payloads(); }

    FakeSink sink;
    CountingWatchdog watchdog;
    FakeView view;
    ProgramBuffer buffer;
    ManualClock clock;
    ProgrammerLink link{sink, watchdog, view, buffer, clock};
};

}  // namespace kelvan::link::test
