// The real link core against the simulated programmer over a real pseudo-terminal: the test
// thread plays the main window, reading the terminal with poll and feeding receiveData.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "LinkTestSupport.h"
#include "image/ProgramBuffer.h"
#include "devsim/Cp1251.h"
#include "devsim/PseudoTerminal.h"
#include "devsim/Simulator.h"
#include "link/Commands.h"
#include "WireOnFailure.h"
#include "link/ProgrammerLink.h"
#include "link/StandInPorts.h"

namespace kelvan {
namespace {

using namespace std::chrono_literals;
using devsim::Bytes;
using devsim::Simulator;
using devsim::SimulatorOptions;
using devsim::Traffic;
namespace commands = link::commands;

constexpr auto ConversationTimeout = 60s;

// What the programmer's text looks like on the wire and in the view: Windows-1251 bytes.
std::string deviceText(std::string_view utf8) {
    return devsim::utf8ToCp1251(utf8);
}

// One frame the host sent, and how many ready frames it had received by then.
struct SentFrame {
    Bytes payload;
    int readiesSeen = 0;
};

// SendData onto the pseudo-terminal, whole frames at a time, keeping a record of them.
class TerminalSink : public link::ByteSink {
  public:
    TerminalSink(int fd, const link::CountingWatchdog& watchdog) : fd_(fd), watchdog_(watchdog) {}
    bool sendData(std::span<const std::uint8_t> bytes) override {
        sent.push_back(
            {Bytes(bytes.begin() + link::FrameHeaderSize, bytes.end() - 1), watchdog_.restarts});
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t written = write(fd_, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0) {
                return false;
            }
            done += static_cast<std::size_t>(written);
        }
        return true;
    }

    std::vector<SentFrame> sent;

  private:
    int fd_;
    const link::CountingWatchdog& watchdog_;
};

// What the host asked for, without the repeats of a head that a further ready legitimately
// provoked before the reply came (a test thread slower than the device's timers).
std::vector<Bytes> withoutRepeats(const std::vector<SentFrame>& sent) {
    std::vector<Bytes> frames;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const bool repeat = i > 0 && sent[i].payload == sent[i - 1].payload &&
                            sent[i].readiesSeen > sent[i - 1].readiesSeen;
        if (!repeat) {
            frames.push_back(sent[i].payload);
        }
    }
    return frames;
}

std::vector<Bytes> payloadsOf(const std::vector<SentFrame>& sent) {
    std::vector<Bytes> payloads;
    for (const SentFrame& frame : sent) {
        payloads.push_back(frame.payload);
    }
    return payloads;
}

std::vector<Bytes> chunkSeries(std::size_t extent,
                               const std::function<Bytes(std::uint32_t, std::size_t)>& chunk) {
    std::vector<Bytes> series;
    for (std::size_t address = 0; address < extent; address += link::ChunkSize) {
        series.push_back(chunk(static_cast<std::uint32_t>(address),
                               std::min(link::ChunkSize, extent - address)));
    }
    return series;
}

class LinkOverPty : public ::testing::Test {
  protected:
    void startDevice(SimulatorOptions options) {
        simulator_ = std::make_unique<Simulator>(std::move(options));
        simulator_->start();
        fd_ = open(simulator_->slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd_, 0) << std::system_category().message(errno);
        devsim::makeRaw(fd_);
        sink_ = std::make_unique<TerminalSink>(fd_, watchdog_);
        link_ = std::make_unique<link::ProgrammerLink>(*sink_, watchdog_, view_, buffer_);
        wire_ = std::make_unique<kelvan::test::RecordedWire>(*link_);
    }

    void TearDown() override {
        if (wire_) {
            wire_->printIfFailed("the link");
        }
        link_.reset();
        if (simulator_) {
            simulator_->stop();
            EXPECT_FALSE(simulator_->failure());
        }
        if (fd_ >= 0) {
            close(fd_);
        }
    }

    void enqueue(const Bytes& payload) { link_->enqueue(payload); }

    // Plays the main window's receive loop until the queue is empty and the device's ready
    // that follows the last reply has been taken too, so that no stale ready makes the next
    // series go out twice. A device already waiting is asked for a ready at once rather than
    // on its idle timer. False on timeout.
    bool runQueue() {
        if (deviceWaiting_) {
            simulator_->offerReadyNow();
        }
        const auto deadline = std::chrono::steady_clock::now() + ConversationTimeout;
        std::optional<int> restartsWhenEmptied;
        if (link_->queueLength() == 0) {
            restartsWhenEmptied = watchdog_.restarts;
        }
        std::uint8_t block[4096];
        while (!restartsWhenEmptied || watchdog_.restarts == *restartsWhenEmptied) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd descriptor{fd_, POLLIN, 0};
            const int ready = poll(&descriptor, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno != EINTR) {
                throw std::system_error(errno, std::generic_category(), "poll");
            }
            if (ready <= 0) {
                continue;
            }
            const ssize_t count = read(fd_, block, sizeof block);
            if (count < 0 && errno != EINTR) {
                throw std::system_error(errno, std::generic_category(), "read");
            }
            if (count <= 0) {
                continue;
            }
            // Within one block a ready can only follow the reply that emptied the queue.
            const int restartsBefore = watchdog_.restarts;
            const bool pending = link_->queueLength() > 0;
            link_->receiveData(
                std::span<const std::uint8_t>(block, static_cast<std::size_t>(count)),
                std::chrono::steady_clock::now());
            if (pending && link_->queueLength() == 0) {
                restartsWhenEmptied = restartsBefore;
            }
        }
        deviceWaiting_ = true;
        return true;
    }

    void startUp() {
        enqueue(commands::endOfSequence());
        enqueue(commands::askTitle());
        ASSERT_TRUE(runQueue());
    }

    void chooseChip(std::uint8_t index) {
        for (const Bytes& payload :
             {commands::selectChip(index), commands::askCommandMask(), commands::askLockBitCount(),
              commands::askFuseBitCount(), commands::askProgramMemorySize(),
              commands::askEepromSize(), commands::askThirdSize()}) {
            enqueue(payload);
        }
        ASSERT_TRUE(runQueue());
    }

    void readProgramMemory(std::uint8_t chip) {
        enqueue(commands::selectChip(chip));
        buffer_.resize(link_->programMemorySize());
        for (const Bytes& payload :
             chunkSeries(link_->programMemorySize(), [](std::uint32_t address, std::size_t count) {
                 return commands::readProgramMemory(address, static_cast<std::uint8_t>(count));
             })) {
            enqueue(payload);
        }
        enqueue(commands::endOfSequence());
        ASSERT_TRUE(runQueue());
    }

    void verifyProgramMemory(std::uint8_t chip) {
        view_.status = "Все верно.";
        enqueue(commands::selectChip(chip));
        for (const Bytes& payload :
             chunkSeries(buffer_.size(), [this](std::uint32_t address, std::size_t count) {
                 return commands::verifyProgramMemory(address, buffer_.view(address, count));
             })) {
            enqueue(payload);
        }
        enqueue(commands::endOfSequence());
        ASSERT_TRUE(runQueue());
    }

    // Verifies chip 1 against a buffer that holds its memory but for the byte at address.
    void expectVerifyFailureAt(std::uint32_t address) {
        startUp();
        chooseChip(1);
        const Bytes memory = deviceProgramMemory(1);
        buffer_.resize(memory.size());
        ASSERT_TRUE(buffer_.writeAt(0, memory));
        buffer_.set(address, static_cast<std::uint8_t>(memory[address] ^ 0x01));
        const std::size_t closingsBefore = simulator_->framesReceived(255);
        verifyProgramMemory(1);

        char expected[128];
        std::snprintf(expected, sizeof expected,
                      "Ошибка по адресу %X. Попробуйте программировать снова!", address);
        EXPECT_EQ(view_.status, expected);
        EXPECT_TRUE(view_.errorColour);
        EXPECT_TRUE(view_.warnings.empty());
        // The series stopped at the failing chunk: no later chunk and no closing 255 went out.
        EXPECT_EQ(simulator_->framesReceived(255), closingsBefore);
        const std::uint32_t failingChunk = address / link::ChunkSize * link::ChunkSize;
        for (const SentFrame& frame : sink_->sent) {
            if (frame.payload[0] == 11) {
                EXPECT_LE(frame.payload[1] | frame.payload[2] << 8, failingChunk);
            }
        }
    }

    Bytes deviceProgramMemory(std::size_t chip) {
        return simulator_->withDevice(
            [chip](devsim::DeviceModel& device) { return device.chip(chip).programMemory; });
    }

    Bytes bufferBytes() const { return Bytes(buffer_.bytes().begin(), buffer_.bytes().end()); }

    // How many commands with code the host sent, not counting the repeats that a further
    // ready legitimately provoked (a ready of the device's idle timer crossing the command on
    // a loaded machine).
    std::size_t asked(std::uint8_t code) const {
        const std::vector<Bytes> frames = withoutRepeats(sink_->sent);
        return static_cast<std::size_t>(std::count_if(
            frames.begin(), frames.end(), [code](const Bytes& frame) { return frame[0] == code; }));
    }

    std::unique_ptr<Simulator> simulator_;
    bool deviceWaiting_ = false;  // its ready after start-up has not been taken yet
    int fd_ = -1;
    link::test::FakeView view_;
    link::CountingWatchdog watchdog_;
    ProgramBuffer buffer_;
    std::unique_ptr<TerminalSink> sink_;
    std::unique_ptr<link::ProgrammerLink> link_;
    std::unique_ptr<kelvan::test::RecordedWire> wire_;
};

TEST_F(LinkOverPty, StartUpConversationAsksForEverythingInOrder) {
    startDevice({.readyInterval = 1000ms});
    startUp();
    const devsim::Catalogue& catalogue = devsim::standardCatalogue();

    EXPECT_EQ(simulator_->traffic().frames, payloadsOf(sink_->sent));
    EXPECT_EQ(withoutRepeats(sink_->sent), (std::vector<Bytes>{{255},
                                                               {254},
                                                               {253},
                                                               {251},
                                                               {252, 0},
                                                               {252, 1},
                                                               {252, 2},
                                                               {250, 0},
                                                               {250, 1},
                                                               {250, 2}}));
    EXPECT_EQ(view_.caption, deviceText(catalogue.title));
    ASSERT_EQ(view_.aboutLines.size(), catalogue.aboutLines.size());
    for (std::size_t i = 0; i < catalogue.aboutLines.size(); ++i) {
        EXPECT_EQ(view_.aboutLines[i], deviceText(catalogue.aboutLines[i])) << i;
    }
    ASSERT_EQ(view_.chips.size(), catalogue.chips.size());
    for (std::size_t i = 0; i < catalogue.chips.size(); ++i) {
        EXPECT_EQ(view_.chips[i], deviceText(catalogue.chips[i].name)) << i;
    }
    EXPECT_GE(watchdog_.restarts, 10);  // every ready restarted it
    EXPECT_EQ(simulator_->traffic().framesDropped, 0u);
    EXPECT_TRUE(view_.warnings.empty());
}

TEST_F(LinkOverPty, ChoosingAChipBringsItsCommandsSizesAndBits) {
    startDevice({.readyInterval = 1000ms});
    startUp();
    const std::size_t before = sink_->sent.size();
    chooseChip(2);

    EXPECT_EQ(simulator_->traffic().frames, payloadsOf(sink_->sent));
    std::vector<SentFrame> sent = sink_->sent;
    sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(before));
    const std::vector<Bytes> asked = withoutRepeats(sent);
    std::vector<Bytes> expected{{249, 2}, {248}, {245}, {247}, {243}, {242}, {241}};
    for (std::uint8_t i = 0; i < 3; ++i) {
        expected.push_back({244, i});
    }
    for (std::uint8_t i = 0; i < 6; ++i) {
        expected.push_back({246, i});
    }
    EXPECT_EQ(asked, expected);

    const devsim::ChipDescription& chip = devsim::standardCatalogue().chips[2];
    EXPECT_EQ(link_->programMemorySize(), chip.programMemorySize);
    EXPECT_EQ(link_->eepromSize(), chip.eepromSize);
    std::vector<std::string> captions;
    for (int code = 0; code < 32; ++code) {
        if (chip.commandMask >> code & 1u) {
            captions.emplace_back(link::CommandNameTable[static_cast<std::size_t>(code)]);
        }
    }
    EXPECT_EQ(view_.commandList, captions);
    EXPECT_TRUE(link_->commandOffered(20));
    EXPECT_EQ(link_->lockBitCount(), 3);
    EXPECT_EQ(link_->fuseBitCount(), 6);
    EXPECT_EQ(view_.lockBoxes[2].caption, deviceText(chip.lockBits[2].caption));
    EXPECT_EQ(view_.fuseBoxes[5].caption, deviceText(chip.fuseBits[5].caption));
}

TEST_F(LinkOverPty, ChunkedReadWriteAndVerifyOfSixtyFourKilobytes) {
    startDevice({.readyInterval = 1000ms});
    startUp();
    chooseChip(2);
    readProgramMemory(2);
    const std::size_t chunks = (65536 + link::ChunkSize - 1) / link::ChunkSize;
    EXPECT_EQ(bufferBytes(), deviceProgramMemory(2));
    EXPECT_EQ(asked(9), chunks);
    EXPECT_EQ(view_.gridFormats, static_cast<int>(chunks));

    // Write a new image back, then verify it.
    for (std::size_t address = 0; address < buffer_.size(); ++address) {
        buffer_.set(address, static_cast<std::uint8_t>(address * 13 + (address >> 9)));
    }
    enqueue(commands::selectChip(2));
    enqueue(commands::eraseAll());
    for (const Bytes& payload :
         chunkSeries(buffer_.size(), [this](std::uint32_t address, std::size_t count) {
             return commands::writeProgramMemory(address, buffer_.view(address, count));
         })) {
        enqueue(payload);
    }
    enqueue(commands::endOfSequence());
    ASSERT_TRUE(runQueue());
    EXPECT_EQ(deviceProgramMemory(2), bufferBytes());

    verifyProgramMemory(2);
    EXPECT_EQ(view_.status, "Все верно.");
    EXPECT_FALSE(view_.errorColour);
    EXPECT_EQ(asked(11), chunks);
    EXPECT_TRUE(view_.warnings.empty());
}

TEST_F(LinkOverPty, DuplicateAnswersStillReadAndVerifyEveryChunk) {
    startDevice({.readyInterval = 1000ms, .duplicateReady = true});
    startUp();
    chooseChip(1);
    readProgramMemory(1);
    const std::size_t chunks = (8192 + link::ChunkSize - 1) / link::ChunkSize;
    EXPECT_EQ(bufferBytes(), deviceProgramMemory(1));
    // The doubled readies did make the host send heads twice.
    EXPECT_GT(simulator_->framesReceived(9), chunks);

    verifyProgramMemory(1);
    EXPECT_FALSE(view_.errorColour);
    EXPECT_EQ(view_.status, "Все верно.");
    std::set<std::uint32_t> verified;
    for (const Bytes& frame : simulator_->traffic().frames) {
        if (frame[0] == 11) {
            verified.insert(static_cast<std::uint32_t>(frame[1] | frame[2] << 8));
        }
    }
    EXPECT_EQ(verified.size(), chunks);
    EXPECT_TRUE(view_.warnings.empty());
}

// With every answer doubled, the device's report of the first differing byte is still shown,
// the series stops there and no retry warning comes, whether the byte opens a chunk or lies
// inside one. (Without doubling, the window's tests check the same through the whole program.)
TEST_F(LinkOverPty, DuplicateAnswersStillReportAVerifyFailureOnAChunksFirstByte) {
    startDevice({.readyInterval = 1000ms, .duplicateReady = true});
    expectVerifyFailureAt(29 * link::ChunkSize);
}

TEST_F(LinkOverPty, DuplicateAnswersStillReportAVerifyFailureInsideAChunk) {
    startDevice({.readyInterval = 1000ms, .duplicateReady = true});
    expectVerifyFailureAt(0x1A3C);
}

TEST_F(LinkOverPty, ConversationStartsAgainAfterTheDeviceFallsSilent) {
    startDevice({.readyInterval = 1000ms});
    startUp();
    simulator_->goSilent(300ms);
    ASSERT_TRUE(simulator_->waitUntil([](const Traffic& t) { return t.silences == 1; }, 10s));
    link_->watchdogExpired();  // Timer2 running out while the device is silent
    EXPECT_EQ(view_.caption, "Программатор не подключен");
    EXPECT_TRUE(view_.chips.empty());
    ASSERT_TRUE(runQueue());
    EXPECT_EQ(asked(250), 6u);
    EXPECT_EQ(asked(254), 2u);
    EXPECT_EQ(view_.chips.size(), 3u);
}

}  // namespace
}  // namespace kelvan
