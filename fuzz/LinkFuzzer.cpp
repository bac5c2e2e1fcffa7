// libFuzzer target for the receive parser and the reply dispatcher. The input is a little
// program: each step delivers a block (raw bytes, a framed payload, an answer to the queue
// head split over two blocks, a long block), a ready signal, a watchdog expiry, a queue or
// buffer change, or moves the clock or the age of the blocks that follow, so that readies go
// stale. The view checks every index against the counts the link gave it and re-enters the
// link from inside the modal warning and from inside the dispatch of a reply (as a box shown
// there would), as the event loop can.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <span>
#include <vector>

#include "image/ProgramBuffer.h"
#include "link/Commands.h"
#include "link/LinkFrame.h"
#include "link/ProgrammerLink.h"
#include "link/StandInPorts.h"
#include "operations/ChipSelection.h"

namespace {

using kelvan::ProgramBuffer;
using namespace kelvan::link;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "link fuzzer: %s\n", what);
    std::abort();
}

void require(bool condition, const char* what) {
    if (!condition) {
        fail(what);
    }
}

// The fuzz input, consumed from the front; reads past the end give zeros and empty spans.
class Input {
  public:
    explicit Input(std::span<const std::uint8_t> data) : rest_(data) {}
    bool empty() const { return rest_.empty(); }
    std::uint8_t byte() {
        if (rest_.empty()) {
            return 0;
        }
        const std::uint8_t value = rest_[0];
        rest_ = rest_.subspan(1);
        return value;
    }
    std::span<const std::uint8_t> take(std::size_t count) {
        const std::size_t taken = std::min(count, rest_.size());
        const auto part = rest_.first(taken);
        rest_ = rest_.subspan(taken);
        return part;
    }

  private:
    std::span<const std::uint8_t> rest_;
};

class CheckingSink : public ByteSink {
  public:
    bool sendData(std::span<const std::uint8_t> bytes) override {
        require(bytes.size() >= FrameHeaderSize + 2 && bytes.size() <= MaxFrameSize,
                "sent frame length");
        require(bytes[4] == bytes.size() - FrameHeaderSize - 1, "sent frame N");
        require(bytes.back() == sum8(bytes.subspan(FrameHeaderSize, bytes[4])),
                "sent payload checksum");
        return true;
    }
};

class CheckingView : public NullLinkView {
  public:
    // Runs where a modal box would run the event loop.
    std::function<void()> reenter;

    void clearCommandList() override { commands_ = 0; }
    void appendCommand(std::string_view) override {
        require(++commands_ <= 32, "more than 32 commands");
    }
    void createBitBoxes(BitKind dialog, int count) override {
        require(count >= 0 && count <= 255, "bit box count");
        bits(dialog) = count;
    }
    void clearBitBoxes(BitKind dialog) override { bits(dialog) = 0; }
    void setBitCaption(BitKind dialog, int index, const DeviceText&) override {
        require(index >= 0 && index < bits(dialog), "bit caption index");
        reenter();
    }
    void setBitChecked(BitKind dialog, int index, bool) override {
        require(index >= 0 && index < bits(dialog), "bit state index");
    }
    // What the dispatcher shows once its tables are up to date, so that nested steps find
    // them consistent with the view.
    void setCaption(const DeviceText&) override { reenter(); }
    void setStatusText(std::string_view) override { reenter(); }
    void appendChip(const DeviceText&) override { reenter(); }
    void formatGrid() override { reenter(); }
    void createAboutLabels(int count) override {
        require(count >= 0 && count <= 255, "about label count");
        about_ = count;
    }
    void setAboutLine(int index, const DeviceText&) override {
        require(index >= 0 && index < about_, "about line index");
        reenter();
    }
    void setProgress(int maximum, int position) override {
        require(position >= 0 && position <= maximum, "progress position");
    }
    void showWarning(std::string_view) override { reenter(); }

    int lockBits() const { return lock_; }
    int fuseBits() const { return fuse_; }
    int aboutLines() const { return about_; }
    int commands() const { return commands_; }

  private:
    int& bits(BitKind dialog) { return dialog == BitKind::Lock ? lock_ : fuse_; }
    int lock_ = 0;
    int fuse_ = 0;
    int about_ = 0;
    int commands_ = 0;
};

// Every kind of command the program sends: the start-up requests, what choosing the first chip
// queues, and one of each operation.
const std::vector<Bytes>& assortedCommands() {
    static const std::vector<Bytes> all = [] {
        const Bytes data(224, 0x5A);
        std::vector<Bytes> list{commands::endOfSequence(), commands::askTitle()};
        const std::vector<Bytes> chipChosen = kelvan::operations::chipChosenCommands(0);
        list.insert(list.end(), chipChosen.begin(), chipChosen.end());
        const Bytes oneOfEach[] = {
            commands::readSignature(),
            commands::readFuseBits(),
            commands::readLockBits(),
            commands::readCalibration(),
            commands::readProgramMemory(0, 224),
            commands::readProgramMemory(224, 224),
            commands::readEeprom(0, 16),
            commands::verifyProgramMemory(0, data),
            commands::verifyEeprom(8, std::span(data).first(8)),
            commands::writeProgramMemory(448, data),
            commands::askLockBitCaption(0),
            commands::askFuseBitCaption(1),
            commands::askChipName(0),
            commands::askAboutLine(0),
            commands::askAboutLineCount(),
            commands::askChipCount(),
            commands::eraseAll(),
            commands::eraseEeprom(),
            commands::writeFuseBit(1, true),
            commands::writeLockBit(0),
        };
        list.insert(list.end(), std::begin(oneOfEach), std::end(oneOfEach));
        return list;
    }();
    return all;
}

class Harness {
  public:
    explicit Harness(Input& input) : input_(input) {
        buffer_.resize(1024);
        view_.reenter = [this] {
            // The event loop runs while the box is open: a few more steps, nested.
            if (depth_ < 3) {
                ++depth_;
                const int steps = input_.byte() % 4;
                for (int i = 0; i < steps; ++i) {
                    step();
                }
                --depth_;
            }
        };
        for (const Bytes& command : assortedCommands()) {
            link_.enqueue(command);
        }
    }

    void run() {
        while (!input_.empty()) {
            step();
        }
    }

  private:
    void step() {
        switch (input_.byte() % 10) {
            case 0:
                receive(input_.take(input_.byte()));
                break;
            case 1:
                receive(input_.take(256 + std::size_t{input_.byte()} * 16));
                break;
            case 2:
                receive(buildLinkFrame(input_.take(input_.byte())));
                break;
            case 3:
                answerHead();
                break;
            case 4:
                receive(buildLinkFrame(Bytes{}));
                break;
            case 5:
                link_.watchdogExpired();
                break;
            case 6: {
                const auto& all = assortedCommands();
                link_.enqueue(all[input_.byte() % all.size()]);
                break;
            }
            case 7:
                if (input_.byte() % 2 == 0) {
                    link_.clearQueue();
                } else {
                    buffer_.resize(std::size_t{input_.byte()} * 8);
                }
                break;
            case 8:
                clock_.time += std::chrono::milliseconds(input_.byte());
                break;
            default:
                // The blocks that follow were read this long ago: a busy host.
                age_ = std::chrono::milliseconds(std::size_t{input_.byte()} * 4);
                break;
        }
        checkInvariants();
    }

    void receive(std::span<const std::uint8_t> block) {
        link_.receiveData(block, clock_.time - age_);
    }

    // A reply that starts like the head command (code and address), then input bytes, split
    // over two blocks at an input-chosen point.
    void answerHead() {
        Bytes payload;
        if (link_.queueLength() > 0) {
            const auto head = link_.queue().head();
            payload.assign(head.begin(),
                           head.begin() + std::min<std::ptrdiff_t>(5, std::ssize(head)));
        }
        const auto extra = input_.take(input_.byte());
        payload.insert(payload.end(), extra.begin(), extra.end());
        if (payload.empty() || payload.size() > MaxPayloadLength) {
            return;
        }
        const Bytes frame = buildLinkFrame(payload);
        const std::size_t split = input_.byte() % frame.size();
        receive(std::span(frame).first(split));
        receive(std::span(frame).subspan(split));
    }

    void checkInvariants() const {
        const FrameParser& parser = link_.parser();
        require(parser.fillLevel() <= FrameParser::ReceiveBufferSize, "fill level");
        require(parser.scanPosition() <= parser.fillLevel(), "scan position");
        require(link_.lockBitCount() == view_.lockBits(), "lock bit count");
        require(link_.fuseBitCount() == view_.fuseBits(), "fuse bit count");
        require(link_.aboutLineCount() == view_.aboutLines(), "about line count");
        require(link_.commandCount() == view_.commands(), "command count");
        require(link_.retryCounter() >= 0 && link_.retryCounter() <= 7, "retry counter");
    }

    Input& input_;
    CheckingSink sink_;
    CountingWatchdog watchdog_;
    CheckingView view_;
    ProgramBuffer buffer_;
    ManualClock clock_;
    std::chrono::milliseconds age_{0};
    ProgrammerLink link_{sink_, watchdog_, view_, buffer_, clock_};
    int depth_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(std::span<const std::uint8_t>(data, size));
    Harness harness(input);
    harness.run();
    return 0;
}
