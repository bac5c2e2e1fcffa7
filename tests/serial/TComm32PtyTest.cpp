// TComm32 with the real Linux backend over pseudo-terminal pairs.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "ScratchFolder.h"
#include "SerialTestSupport.h"
#include "serial/PortErrorText.h"
#include "serial/PosixTermios.h"

namespace kelvan::serial::test {
namespace {

using Kind = CommMessage::Kind;

// The failure OpenPort raises, or nothing when the port opened.
std::optional<ECommsError> openFailure(TComm32& comm) {
    try {
        comm.OpenPort();
    } catch (const ECommsError& error) {
        return error;
    }
    return std::nullopt;
}

std::string openError(TComm32& comm) {
    const std::optional<ECommsError> failure = openFailure(comm);
    return failure ? failure->what() : "(no error)";
}

// An open component on a fresh pty whose received blocks are collected by the test thread.
class OpenPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        comm.setCommPort(pty.slavePath());
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(notifier.waitForKind(Kind::Started, 2));
        comm.OnReceiveData = [this](const std::uint8_t* buffer, std::uint16_t length,
                                    ReceiveTime receivedAt) {
            blocks.emplace_back(buffer, buffer + length);
            stamps.push_back(receivedAt);
            zeroAfterEveryBlock = zeroAfterEveryBlock && buffer[length] == 0;
        };
        notifier.drainInto(comm);
    }

    // Waits for `count` more RxData messages and raises them.
    bool receiveBlocks(std::size_t count) {
        const bool arrived = notifier.waitForKind(Kind::RxData, count);
        notifier.drainInto(comm);
        return arrived;
    }

    std::vector<std::uint8_t> receivedBytes() const {
        std::vector<std::uint8_t> all;
        for (const auto& block : blocks) {
            all.insert(all.end(), block.begin(), block.end());
        }
        return all;
    }

    PtyPair pty;
    QueueNotifier notifier;
    TComm32 comm{notifier};
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<ReceiveTime> stamps;
    bool zeroAfterEveryBlock = true;
};

TEST_F(OpenPortTest, BothThreadsAnnounceThemselves) {
    EXPECT_TRUE(comm.isOpen());
    EXPECT_TRUE(comm.receiverStarted());
    EXPECT_TRUE(comm.transmitterStarted());
}

TEST_F(OpenPortTest, EachBurstArrivesAsOneBlockInOrder) {
    const std::vector<std::vector<std::uint8_t>> bursts = {
        {0xD1, 0xE0, 0xEB, 0xEE, 0x00, 0x8A}, patternBytes(262, 1), {0x42}, patternBytes(1000, 9)};
    for (const auto& burst : bursts) {
        const auto written = std::chrono::steady_clock::now();
        pty.writeAll(burst, IoTimeout);
        ASSERT_TRUE(notifier.waitForKind(Kind::RxData));
        const auto posted = std::chrono::steady_clock::now();
        notifier.drainInto(comm);
        // Stamped by the receive thread when it read the burst, not when the block was raised.
        ASSERT_EQ(stamps.size(), blocks.size());
        EXPECT_GE(stamps.back(), written);
        EXPECT_LE(stamps.back(), posted);
    }
    EXPECT_EQ(blocks, bursts);
    EXPECT_TRUE(zeroAfterEveryBlock);
}

TEST_F(OpenPortTest, LongBurstIsSplitIntoDeliverableBlocksIntact) {
    const auto burst = patternBytes(20000, 3);
    pty.writeAll(burst, IoTimeout);
    ASSERT_TRUE(notifier.waitUntil([&](const auto& messages) {
        std::size_t total = 0;
        for (const auto& message : messages) {
            total += message.block.size();
        }
        return total >= burst.size();
    }));
    notifier.drainInto(comm);
    EXPECT_GE(blocks.size(), 5u);
    for (const auto& block : blocks) {
        EXPECT_LE(block.size(), MaxDeliveredBlock);
        EXPECT_FALSE(block.empty());
    }
    EXPECT_EQ(receivedBytes(), burst);
    EXPECT_TRUE(zeroAfterEveryBlock);
}

TEST_F(OpenPortTest, ManySendsArriveCompleteAndInOrder) {
    std::vector<std::uint8_t> expected;
    std::vector<std::uint8_t> frame;
    for (int i = 0; i < 400; ++i) {
        frame = patternBytes(static_cast<std::size_t>(1 + (i * 37) % 262),
                             static_cast<std::uint8_t>(i));
        ASSERT_TRUE(comm.SendData(frame));
        expected.insert(expected.end(), frame.begin(), frame.end());
        frame.assign(frame.size(), 0xFF);  // the caller may reuse its buffer at once
        if (i == 200) {
            ASSERT_TRUE(comm.SendData({}));  // writes nothing, and says so by succeeding
        }
    }
    EXPECT_EQ(pty.readMaster(expected.size()), expected);
}

TEST_F(OpenPortTest, SecondOpenIsRefusedAndThePortKeepsWorking) {
    try {
        comm.OpenPort();
        FAIL() << "a second OpenPort must raise";
    } catch (const ECommsError& error) {
        EXPECT_STREQ(error.what(), "Заданный порт уже открыт!");
    }
    EXPECT_TRUE(comm.isOpen());
    const std::vector<std::uint8_t> frame = {1, 2, 3};
    ASSERT_TRUE(comm.SendData(frame));
    EXPECT_EQ(pty.readMaster(frame.size()), frame);
    pty.writeAll(frame, IoTimeout);
    ASSERT_TRUE(receiveBlocks(1));
    EXPECT_EQ(blocks.back(), frame);
}

TEST_F(OpenPortTest, AnotherComponentCannotOpenTheSamePort) {
    QueueNotifier otherNotifier;
    TComm32 other(otherNotifier);
    other.setCommPort(pty.slavePath());
    try {
        other.OpenPort();
        FAIL() << "the port is held exclusively";
    } catch (const ECommsError& error) {
        EXPECT_STREQ(error.what(), "Невозможно открыть порт!");
        EXPECT_EQ(error.openResult(), OpenResult::HeldElsewhere);
    }
    EXPECT_FALSE(other.isOpen());
}

TEST_F(OpenPortTest, SettersApplyToTheOpenDevice) {
    comm.setBaudRate(19200);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    comm.setFlowControl(TFlowControl::fcSoftware);
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_NE(tio.c_iflag & IXON, 0u);
    EXPECT_NE(tio.c_iflag & IXOFF, 0u);
    comm.setFlowControl(TFlowControl::fcNone);
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(OpenPortTest, PeerClosingEndsTheReceiverWithOneHangup) {
    pty.closeMaster();
    ASSERT_TRUE(notifier.waitForKind(Kind::Hangup));
    int hangups = 0;
    comm.OnRequestHangup = [&](TComm32& sender) {
        EXPECT_EQ(&sender, &comm);
        ++hangups;
    };
    notifier.drainInto(comm);
    EXPECT_EQ(hangups, 1);
    EXPECT_TRUE(comm.isOpen());  // the component itself does nothing about it
}

TEST(TComm32Pty, HangupIsReportedOnceAndStoppingPostsNone) {
    QueueNotifier notifier;
    {
        PtyPair pty;
        TComm32 comm(notifier);
        comm.setCommPort(pty.slavePath());
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(notifier.waitForKind(Kind::Started, 2));
        pty.closeMaster();
        ASSERT_TRUE(notifier.waitForKind(Kind::Hangup));
    }  // the threads are joined here: nothing more can be posted
    EXPECT_EQ(countKind(notifier.take(), Kind::Hangup), 1u);

    {
        PtyPair pty;
        TComm32 comm(notifier);
        comm.setCommPort(pty.slavePath());
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(notifier.waitForKind(Kind::Started, 2));
    }
    EXPECT_EQ(countKind(notifier.take(), Kind::Hangup), 0u);
}

TEST(TComm32Pty, DestroyingWhileBothThreadsWaitLeavesNothingOpen) {
    PtyPair pty;
    const std::size_t before = countOpenFds();
    for (int round = 0; round < 3; ++round) {
        QueueNotifier notifier;
        TComm32 comm(notifier);
        comm.setCommPort(pty.slavePath());
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(notifier.waitForKind(Kind::Started, 2));
    }
    EXPECT_EQ(countOpenFds(), before);
    // The port is free again: exclusive mode and the lock went with the component.
    const int fd = open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    int exclusive = 1;
    ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    EXPECT_EQ(close(fd), 0);
}

// Another program holds the port in exclusive mode without a lock. A privileged user would get
// through; the port is refused all the same, and the other program keeps its hold.
TEST(TComm32Pty, PortInAnotherProgramsExclusiveModeIsRefusedAndStaysItsOwn) {
    PtyPair pty;
    const int otherProgram = open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(otherProgram, 0);
    ASSERT_EQ(ioctl(otherProgram, TIOCEXCL), 0);
    {
        QueueNotifier notifier;
        TComm32 comm(notifier);
        comm.setCommPort(pty.slavePath());
        const std::optional<ECommsError> failure = openFailure(comm);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->openResult(), OpenResult::HeldElsewhere);
        EXPECT_FALSE(comm.isOpen());
    }
    int exclusive = 0;
    ASSERT_EQ(ioctl(otherProgram, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    EXPECT_EQ(close(otherProgram), 0);
}

TEST(TComm32Pty, DestroyingWhileTheTransmitterWaitsForTheLineEndsIt) {
    PtyPair pty;
    const std::size_t before = countOpenFds();
    {
        QueueNotifier notifier;
        TComm32 comm(notifier);
        comm.setCommPort(pty.slavePath());
        ASSERT_TRUE(comm.OpenPort());
        // Far more than the pseudo-terminal buffers while nobody reads the far end: the
        // transmit thread ends up waiting for room on the line.
        const auto frame = patternBytes(4000, 0);
        for (int i = 0; i < 64; ++i) {
            ASSERT_TRUE(comm.SendData(frame));
        }
        const std::vector<std::uint8_t> first = pty.readMaster(16);
        EXPECT_EQ(first, std::vector<std::uint8_t>(frame.begin(), frame.begin() + 16));
    }
    EXPECT_EQ(countOpenFds(), before);
}

TEST(TComm32Pty, ClosedPortRefusesSendsAndEscapes) {
    QueueNotifier notifier;
    TComm32 comm(notifier);
    const std::vector<std::uint8_t> frame = {1, 2, 3};
    EXPECT_FALSE(comm.SendData(frame));
    EXPECT_FALSE(comm.SendData({}));
    EXPECT_FALSE(comm.EscapeFunction(EscapeSetRts));
    EXPECT_FALSE(comm.EscapeFunction(EscapeClrDtr));
    EXPECT_FALSE(comm.isOpen());
}

// Each reason a name does not open as a port, with nothing left open or locked. A port held
// by another program has tests of its own below.
TEST(TComm32Pty, OpenFailuresCarryTheirTextsAndReasons) {
    const kelvan::test::ScratchFolder folder;
    const std::filesystem::path file = folder.write("plain.bin", "not a port");

    const struct {
        std::string port;
        const char* text;
        OpenResult reason;
    } cases[] = {
        {"/dev/kelvan-no-such-port", "Невозможно открыть порт!", OpenResult::NoSuchDevice},
        {"", "Невозможно открыть порт!", OpenResult::NoSuchDevice},
        {file.string(), "Задан не COM-порт", OpenResult::NotCommPort},
        {folder.path().string(), "Задан не COM-порт", OpenResult::NotCommPort},
    };
    QueueNotifier notifier;
    const std::size_t before = countOpenFds();
    for (const auto& item : cases) {
        SCOPED_TRACE(item.port);
        TComm32 comm(notifier);
        comm.setCommPort(item.port);
        const std::optional<ECommsError> failure = openFailure(comm);
        ASSERT_TRUE(failure);
        EXPECT_STREQ(failure->what(), item.text);
        EXPECT_EQ(failure->port(), item.port);
        EXPECT_EQ(failure->openResult(), item.reason);
        EXPECT_FALSE(comm.isOpen());
    }
    EXPECT_EQ(countOpenFds(), before);
    const int fd = open(file.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);  // the plain file is not left locked
    EXPECT_EQ(close(fd), 0);
}

TEST(TComm32Pty, ANameTheUserMayNotOpenIsDeniedWithTheGroupToJoin) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root opens a file of mode 000";
    }
    const kelvan::test::ScratchFolder folder;
    const std::filesystem::path file = folder.write("denied", "");
    std::filesystem::permissions(file, std::filesystem::perms::none);
    QueueNotifier notifier;
    TComm32 comm(notifier);
    comm.setCommPort(file.string());
    const std::optional<ECommsError> failure = openFailure(comm);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->openResult(), OpenResult::AccessDenied);
    EXPECT_EQ(portErrorText(*failure),
              "Невозможно открыть порт!\nПорт " + file.string() +
                  ": нет прав доступа. Добавьте себя в группу dialout и войдите в систему "
                  "заново.");
}

TEST(TComm32Pty, RefusedSettingsLeaveThePortClosedForAnotherTry) {
    PtyPair pty;
    QueueNotifier notifier;
    const std::size_t before = countOpenFds();
    TComm32 comm(notifier);
    comm.setCommPort(pty.slavePath());

    comm.setBaudRate(0);  // no line runs at 0 bit/s
    EXPECT_EQ(openError(comm), "Неверно заданы параметры порта!");
    EXPECT_FALSE(comm.isOpen());
    EXPECT_EQ(countOpenFds(), before);

    // A pseudo-terminal has no parity: its driver answers with the parity bit cleared.
    comm.setBaudRate(56000);
    comm.setParity(TParity::pOdd);
    EXPECT_EQ(openError(comm), "Неверно заданы параметры порта!");
    EXPECT_FALSE(comm.isOpen());
    EXPECT_EQ(comm.lineSettings().Parity, OddParity);  // the record keeps what was asked

    comm.setParity(TParity::pNone);
    EXPECT_TRUE(comm.OpenPort());
    EXPECT_TRUE(comm.isOpen());
}

TEST(TComm32Pty, SettingsBeforeOpenAreOnlyStoredThenApplied) {
    PtyPair pty;
    QueueNotifier notifier;
    TComm32 comm(notifier);
    comm.setCommPort(pty.slavePath());
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    const speed_t initial = cfgetospeed(&tio);
    ASSERT_NE(initial, B4800);
    comm.setBaudRate(4800);
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), initial);
    ASSERT_TRUE(comm.OpenPort());
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B4800);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);  // raw bytes

    comm.setBaudRate(56000);  // no classic speed code: an arbitrary rate
    LineSettings device;
    ASSERT_TRUE(posix::readLineSettings(pty.slaveFd(), device));
    EXPECT_EQ(device.BaudRate, 56000u);
}

TEST(TComm32Pty, StopSignalThatCannotBeCreatedFailsSilently) {
    PtyPair pty;
    QueueNotifier notifier;
    auto backend = std::make_unique<ScriptedBackend>();
    backend->failStopEvent = true;
    TComm32 comm(notifier, std::move(backend));
    comm.setCommPort(pty.slavePath());
    bool opened = true;
    EXPECT_NO_THROW(opened = comm.OpenPort());
    EXPECT_FALSE(opened);
    EXPECT_FALSE(comm.isOpen());
}

TEST(TComm32Pty, ReceiveThreadThatCannotBeCreatedLeavesThePortOpenWithoutThreads) {
    PtyPair pty;
    QueueNotifier notifier;
    auto backend = std::make_unique<ScriptedBackend>();
    backend->failReceiveThread = true;
    TComm32 comm(notifier, std::move(backend));
    comm.setCommPort(pty.slavePath());
    EXPECT_EQ(openError(comm), "Невозможно создать Read thread");
    EXPECT_TRUE(comm.isOpen());
    const std::vector<std::uint8_t> frame = {7};
    EXPECT_FALSE(comm.SendData(frame));
    EXPECT_EQ(openError(comm), "Заданный порт уже открыт!");
}

TEST(TComm32Pty, TransmitThreadThatCannotBeCreatedLeavesTheReceiverRunning) {
    PtyPair pty;
    QueueNotifier notifier;
    auto backend = std::make_unique<ScriptedBackend>();
    backend->failTransmitThread = true;
    TComm32 comm(notifier, std::move(backend));
    comm.setCommPort(pty.slavePath());
    EXPECT_EQ(openError(comm), "Невозможно создать Write thread");
    EXPECT_TRUE(comm.isOpen());
    const std::vector<std::uint8_t> frame = {7, 8};
    EXPECT_FALSE(comm.SendData(frame));
    pty.writeAll(frame, IoTimeout);
    ASSERT_TRUE(notifier.waitForKind(Kind::RxData));
    std::vector<std::uint8_t> received;
    comm.OnReceiveData = [&](const std::uint8_t* buffer, std::uint16_t length, ReceiveTime) {
        received.assign(buffer, buffer + length);
    };
    notifier.drainInto(comm);
    EXPECT_TRUE(comm.receiverStarted());
    EXPECT_FALSE(comm.transmitterStarted());
    EXPECT_EQ(received, frame);
}

TEST(TComm32Pty, QueueSizeSettersPassBothSizesOnlyWhenOpen) {
    PtyPair pty;
    QueueNotifier notifier;
    auto backend = std::make_unique<ScriptedBackend>();
    ScriptedBackend& scripted = *backend;
    TComm32 comm(notifier, std::move(backend));
    comm.setCommPort(pty.slavePath());
    comm.setRxQueue(8192);
    EXPECT_TRUE(scripted.queueSizes.empty());
    ASSERT_TRUE(comm.OpenPort());
    comm.setTxQueue(1024);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {{8192, 4096},
                                                                           {8192, 1024}};
    EXPECT_EQ(scripted.queueSizes, expected);
}

}  // namespace
}  // namespace kelvan::serial::test
