// kelvan-cli as a user runs it: the real program against the simulated programmer on a
// pseudo-terminal, with settings of its own (all defaults) and the wire trace read back to see
// which frames went out. One group per family of actions.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ScratchFolder.h"
#include "TestImages.h"
#include "WireOnFailure.h"
#include "devsim/Simulator.h"

namespace kelvan::tools {
namespace {

using namespace std::chrono_literals;
using devsim::Bytes;
using devsim::Simulator;
using devsim::SimulatorOptions;
using test::ChildProcess;
using test::printWireFileIfFailed;
using test::intelHex;
using test::randomBytes;
using test::ScratchFolder;

constexpr int ChipA1 = 0;   // 1 KiB program memory, no EEPROM, 2 fuse bits, 1 lock bit
constexpr int ChipB8 = 1;   // 8 KiB program memory, 512 bytes EEPROM, 2 lock bits

struct CliRun {
    std::optional<int> exitCode;  // nothing: still running at the deadline
    std::string output;
    std::string errors;
};

std::string text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The codes of the commands the trace shows going out, first sends only.
std::vector<int> sentCodes(const std::string& trace) {
    std::vector<int> codes;
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string stamp, direction, code;
        fields >> stamp >> direction >> code;
        if (direction == ">" && line.find("(resend)") == std::string::npos) {
            codes.push_back(std::stoi(code));
        }
    }
    return codes;
}

// The codes sent for the action: from the chip select that opens it, the last one sent.
std::vector<int> actionCodes(const std::string& trace) {
    const std::vector<int> codes = sentCodes(trace);
    const auto select = std::find(codes.rbegin(), codes.rend(), 249);
    return select == codes.rend() ? std::vector<int>{}
                                  : std::vector<int>(select.base() - 1, codes.end());
}

// codes, then count times repeated, and so on: {249, 0} + repeated(10, 23) + ...
std::vector<int> operator+(std::vector<int> codes, const std::vector<int>& more) {
    codes.insert(codes.end(), more.begin(), more.end());
    return codes;
}
std::vector<int> repeated(int code, std::size_t count) {
    return std::vector<int>(count, code);
}

class KelvanCliTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (const std::filesystem::path& trace : traces_) {
            printWireFileIfFailed(trace);
        }
    }

    // Idle readies come quickly, so the runs do not wait long for them between the
    // conversation's stages, yet the eight the host takes before it gives up on a command must
    // outlast the tens of milliseconds for which a busy machine can hold up its transmit
    // thread (10 ms readies leave 80 ms, which is sometimes too little). On a paced line not
    // before the longest frame has crossed it (about 21 ms at 115200 bit/s) with a wide margin,
    // or the device would offer a ready while the host's command is on its way.
    void startSimulator(SimulatorOptions options = {},
                        std::chrono::milliseconds unpacedReadyInterval = 50ms) {
        options.readyInterval = options.baud == 0 ? unpacedReadyInterval : 200ms;
        simulator_.emplace(options);
        simulator_->start();
        port_ = options.linkPath.empty() ? simulator_->slavePath() : options.linkPath;
    }
    Simulator& simulator() { return *simulator_; }

    // kelvan-cli with arguments on the simulator's link or terminal, its settings folder empty.
    // Every run keeps a wire trace, for the output of a failing test.
    std::unique_ptr<ChildProcess> start(std::vector<std::string> arguments) {
        const auto traced = std::find(arguments.begin(), arguments.end(), "--trace");
        if (traced != arguments.end() && traced + 1 != arguments.end()) {
            traces_.emplace_back(*(traced + 1));
        } else {
            traces_.push_back(folder.path() / ("wire" + std::to_string(runs_ + 1) + ".txt"));
            arguments.insert(arguments.begin(), {"--trace", traces_.back().string()});
        }
        arguments.insert(arguments.begin(), {KELVAN_CLI_PATH, "--port", port_});
        return std::make_unique<ChildProcess>(
            std::move(arguments), folder.path(), "run" + std::to_string(++runs_),
            std::vector<std::string>{"XDG_CONFIG_HOME=" + (folder.path() / "config").string()});
    }
    CliRun run(std::vector<std::string> arguments, std::chrono::milliseconds timeout = 60s) {
        const std::unique_ptr<ChildProcess> child = start(std::move(arguments));
        const std::optional<int> exitCode = child->wait(timeout);
        return CliRun{exitCode, child->output(), child->errors()};
    }
    std::string path(const std::string& name) const { return (folder.path() / name).string(); }
    Bytes programMemory(int chip) {
        return simulator_->withDevice(
            [chip](devsim::DeviceModel& device) { return device.chip(chip).programMemory; });
    }

    ScratchFolder folder;

  private:
    std::optional<Simulator> simulator_;
    std::string port_;  // the simulator's link when it has one, else its terminal
    int runs_ = 0;
    std::vector<std::filesystem::path> traces_;
};

TEST_F(KelvanCliTest, InfoListsTheProgrammerAndWithAChipItsCommandsSizesAndBits) {
    startSimulator();
    const std::string programmer =
        "title: Программатор КВ-1 (имитатор)\n"
        "about: Имитатор программатора КВ-1 для испытаний\n"
        "about: Версия прошивки 1.0, учебные микросхемы\n"
        "about: Три микросхемы: Кристалл-А1, Кристалл-Б8, Кристалл-М64\n"
        "chip 0: Кристалл-А1\n"
        "chip 1: Кристалл-Б8\n"
        "chip 2: Кристалл-М64\n";
    const std::string chip =
        "selected chip 0: Кристалл-А1\n"
        "program memory: 1024 bytes\n"
        "eeprom: 0 bytes\n"
        "command 0: Читать сигнатуру\n"
        "command 3: Читать FUSE биты\n"
        "command 4: Записать FUSE биты\n"
        "command 5: Читать LOCK биты\n"
        "command 6: Записать LOCK биты\n"
        "command 7: Стереть все\n"
        "command 9: Читать память программ\n"
        "command 10: Записать память программ\n"
        "command 11: Сверить память программ\n"
        "command 20: Читать калибровочные байты\n"
        "fuse bit 0: 1 Внутренний генератор\n"
        "fuse bit 1: 0 Сторожевой таймер\n"
        "lock bit 0: 0 Запрет чтения\n";
    const struct {
        std::vector<std::string> arguments;
        std::string expected;
    } cases[] = {
        {{"info"}, programmer},
        {{"--chip", "Кристалл-А1", "info"}, programmer + chip},
        {{"info", "--chip=0"}, programmer + chip},
        {{"--quiet", "info"}, ""},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.arguments.front());
        const CliRun result = run(testCase.arguments);
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_EQ(result.output, testCase.expected);
        EXPECT_EQ(result.errors, "");
    }
}

TEST_F(KelvanCliTest, ReadsWriteTheChipsMemoryToTheFileOnlyWhenTheWholeReadSucceeded) {
    // Paced, so that the programmer can fall silent in the middle of a read.
    startSimulator(SimulatorOptions{.baud = 115200});
    const Bytes program = randomBytes(8192, 1);
    const Bytes eeprom = randomBytes(512, 2);
    simulator().withDevice([&](devsim::DeviceModel& device) {
        device.chip(ChipB8).programMemory = program;
        device.chip(ChipB8).eeprom = eeprom;
    });
    folder.write("flash.bin", "old contents");

    const CliRun flash = run({"--chip", "1", "read-flash", path("flash.bin")});
    EXPECT_EQ(flash.exitCode, 0) << flash.errors;
    EXPECT_EQ(flash.output, "8192 bytes read into " + path("flash.bin") + "\n");
    EXPECT_TRUE(folder.read("flash.bin") == text(program));
    const CliRun eepromRead =
        run({"--quiet", "--chip", "Кристалл-Б8", "read-eeprom", path("e.bin")});
    EXPECT_EQ(eepromRead.exitCode, 0) << eepromRead.errors;
    EXPECT_EQ(eepromRead.output, "");
    EXPECT_TRUE(folder.read("e.bin") == text(eeprom));

    // A programmer that falls silent in the middle of a read of 64 KiB (about 6 s on the line):
    // the run says so in the window's words, and the file keeps what it held.
    const std::size_t readsBefore = simulator().traffic().framesPerCode[9];
    const std::unique_ptr<ChildProcess> broken =
        start({"--chip", "2", "read-flash", path("flash.bin")});
    ASSERT_TRUE(simulator().waitUntil(
        [&](const devsim::Traffic& traffic) {
            return traffic.framesPerCode[9] >= readsBefore + 20;
        },
        30s));
    simulator().goSilent(8s);
    EXPECT_EQ(broken->wait(), 1);
    EXPECT_EQ(broken->errors(),
              "Операция прервана: программатор не отвечает.\nkelvan-cli: the read did not "
              "complete; " +
                  path("flash.bin") + " was not written\n");
    EXPECT_TRUE(folder.read("flash.bin") == text(program));
}

TEST_F(KelvanCliTest, WritesPutTheImageIntoTheChipInTheFrameOrderOfTheWriteSequences) {
    const Bytes flash = randomBytes(5000, 3);
    const Bytes oversized = randomBytes(2000, 4);
    const Bytes eeprom = randomBytes(300, 5);
    folder.write("image.hex", intelHex(flash));
    folder.write("oversized.bin", text(oversized));
    folder.write("data.bin", text(eeprom));
    const std::string signatureB8 = "Сигнатура: 5A 8 1B верна\n";
    const std::string signatureA1 = "Сигнатура: 5A 1 A верна\n";
    const struct {
        std::vector<std::string> arguments;
        int chip;
        std::vector<int> codes;  // from the chip select on
        std::string output;
        Bytes expected;  // the memory written, from address 0
        bool eeprom;
    } cases[] = {
        // 5000 bytes: 22 chunks of 224 and one of 72; then both of Кристалл-Б8's lock bits.
        {{"--chip", "1", "write-flash", path("image.hex")},
         ChipB8,
         std::vector<int>{249, 0, 7, 0} + repeated(10, 23) + std::vector<int>{255} +
             repeated(11, 23) + std::vector<int>{255, 6, 6, 255},
         signatureB8 + signatureB8 + "Все верно.\n",
         flash,
         false},
        // Cut to the 1024 bytes of Кристалл-А1 after the warning; without verify and lock bits.
        {{"--chip", "0", "--truncate", "--no-verify", "--no-lock-bits", "write-flash",
          path("oversized.bin")},
         ChipA1,
         std::vector<int>{249, 0, 7, 0} + repeated(10, 5) + std::vector<int>{255},
         "Запишу только то, что войдет в микросхему!\n" + signatureA1 + signatureA1,
         Bytes(oversized.begin(), oversized.begin() + 1024),
         false},
        {{"--chip", "1", "write-eeprom", path("data.bin")},
         ChipB8,
         std::vector<int>{249, 0, 12, 14, 14, 255, 15, 15, 255},
         signatureB8 + "Все верно.\n",
         eeprom,
         true},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.arguments.back());
        startSimulator();
        std::vector<std::string> arguments = testCase.arguments;
        arguments.insert(arguments.begin(), {"--trace", path("trace.txt")});
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_EQ(result.output, testCase.output);
        EXPECT_EQ(actionCodes(folder.read("trace.txt")), testCase.codes);
        const Bytes memory = simulator().withDevice([&](devsim::DeviceModel& device) {
            const devsim::Chip& chip = device.chip(testCase.chip);
            return testCase.eeprom ? chip.eeprom : chip.programMemory;
        });
        ASSERT_GE(memory.size(), testCase.expected.size());
        EXPECT_TRUE(std::equal(testCase.expected.begin(), testCase.expected.end(), memory.begin()));
        EXPECT_TRUE(
            std::all_of(memory.begin() + static_cast<std::ptrdiff_t>(testCase.expected.size()),
                        memory.end(), [](std::uint8_t byte) { return byte == 0xFF; }));
    }
}

TEST_F(KelvanCliTest, AVerifyThatFailsExitsOneNamingTheChunkAndStopsTheSequence) {
    startSimulator(SimulatorOptions{.badProgramCells = {0x1C0}});  // the third chunk's first byte
    folder.write("image.bin", text(randomBytes(1000, 6)));
    const std::string failure = "Ошибка по адресу 1C0. Попробуйте программировать снова!\n";

    const CliRun write =
        run({"--trace", path("trace.txt"), "--chip", "0", "write-flash", path("image.bin")});
    EXPECT_EQ(write.exitCode, 1);
    EXPECT_EQ(write.output, "Сигнатура: 5A 1 A верна\nСигнатура: 5A 1 A верна\n" + failure);
    // The verify stops at the failing chunk: no later chunk, no closing 255, no lock bits.
    EXPECT_EQ(actionCodes(folder.read("trace.txt")), std::vector<int>({249, 0, 7, 0}) +
                                                         repeated(10, 5) + std::vector<int>{255} +
                                                         repeated(11, 3));

    const CliRun verify = run({"--chip", "Кристалл-А1", "verify-flash", path("image.bin")});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_EQ(verify.output, failure);
}

TEST_F(KelvanCliTest, AWrongSignatureExitsOneBeforeAnythingIsErasedOrWritten) {
    startSimulator(SimulatorOptions{.wrongSignature = true});
    folder.write("image.bin", text(randomBytes(1000, 7)));
    const Bytes before = programMemory(ChipA1);

    const CliRun result =
        run({"--trace", path("trace.txt"), "--chip", "0", "write-flash", path("image.bin")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Сигнатура: 5A 1 A не верна!\n");
    EXPECT_EQ(actionCodes(folder.read("trace.txt")), (std::vector<int>{249, 0}));
    EXPECT_TRUE(programMemory(ChipA1) == before);
}

TEST_F(KelvanCliTest, UsageErrorsCommandsNotOfferedAndPortsNotOpenExitTwoAndTouchNothing) {
    startSimulator();
    folder.write("big.bin", text(randomBytes(2000, 8)));
    const struct {
        std::vector<std::string> arguments;
        std::string errors;  // what standard error starts with
    } cases[] = {
        {{"--chip", "0", "read-eeprom", path("e.bin")},
         "kelvan-cli: Кристалл-А1 does not offer read-eeprom (command 13); it offers:\n"
         "  0  Читать сигнатуру\n  3  Читать FUSE биты\n  4  Записать FUSE биты\n"
         "  5  Читать LOCK биты\n  6  Записать LOCK биты\n  7  Стереть все\n"
         "  9  Читать память программ\n  10  Записать память программ\n"
         "  11  Сверить память программ\n  20  Читать калибровочные байты\n"},
        {{"--chip", "Кристалл-Я", "erase"},
         "kelvan-cli: the programmer lists no chip Кристалл-Я; it lists:\n"},
        {{"--chip", "3", "erase"}, "kelvan-cli: the programmer lists no chip 3; it lists:\n"},
        {{"--chip", "0", "write-fuses", "101"},
         "kelvan-cli: write-fuses: BITS has 3 bits, Кристалл-А1 has 2 fuse bits\n"},
        {{"--chip", "0", "write-locks", "0,1"},
         "kelvan-cli: write-locks: Кристалл-А1 has 1 lock bits, numbered from 0\n"},
        {{"--chip", "0", "write-flash", path("big.bin")},
         "kelvan-cli: Запишу только то, что войдет в микросхему! " + path("big.bin") +
             " holds 2000 bytes; --truncate writes what fits\n"},
        {{"--chip", "0", "write-flash", path("missing.hex")},
         "kelvan-cli: " + path("missing.hex") + ": no such file\n"},
        {{"--chip", "0", "--bogus", "erase"}, "kelvan-cli: unknown option --bogus\n"},
        {{"--chip", "0", "erase", "now"}, "kelvan-cli: unexpected argument now\n"},
        {{"erase"}, "kelvan-cli: erase needs --chip\n"},
        {{"--port", "/nonexistent/kelvan-port", "info"},
         "kelvan-cli: Невозможно открыть порт!\nПорт /nonexistent/kelvan-port: нет такого "
         "устройства.\n"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.arguments.back());
        const CliRun result = run(testCase.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.errors.substr(0, testCase.errors.size()), testCase.errors);
    }
    const devsim::Traffic traffic = simulator().traffic();
    for (const int code : {0, 4, 6, 7, 10, 13}) {
        EXPECT_EQ(traffic.framesPerCode[static_cast<std::size_t>(code)], 0u) << code;
    }
}

// What the machine has differs; whatever it is, each port is a line of four fields.
TEST_F(KelvanCliTest, PortsListsAPortALineInFourTabSeparatedFieldsAndExitsZero) {
    ChildProcess ports({KELVAN_CLI_PATH, "ports"}, folder.path(), "ports");
    EXPECT_EQ(ports.wait(), 0);
    EXPECT_EQ(ports.errors(), "");
    std::istringstream lines(ports.output());
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 3) << line;
    }
}

TEST_F(KelvanCliTest, ASilentProgrammerExitsOneAfterTheTimeout) {
    startSimulator(SimulatorOptions{.silentAfter = 0ms, .silentFor = 60s});
    const auto started = std::chrono::steady_clock::now();
    const CliRun result = run({"--timeout", "1", "info"});
    const auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errors, "Программатор не подключен\n");
    // Its own second, not the default of ten.
    EXPECT_GE(elapsed, 1s);
    EXPECT_LT(elapsed, 8s);
}

TEST_F(KelvanCliTest, CtrlCMidWriteLetsTheCommandInFlightFinishAndReleasesThePort) {
    startSimulator(SimulatorOptions{.baud = 115200});
    folder.write("image.bin", text(randomBytes(65536, 9)));
    const std::unique_ptr<ChildProcess> writing =
        start({"--trace", path("trace.txt"), "--chip", "2", "write-flash", path("image.bin")});
    ASSERT_TRUE(simulator().waitUntil(
        [](const devsim::Traffic& traffic) { return traffic.framesPerCode[10] >= 10; }, 30s));
    const std::size_t writesAtSignal = simulator().traffic().framesPerCode[10];
    writing->signal(SIGINT);
    EXPECT_EQ(writing->wait(10s), 130);
    // The report counts what the chip got: the chip select, the signature checks and the erase,
    // then one chunk per address written. A chunk sent again (a ready crossing it on a loaded
    // machine) is answered twice, and its second answer, which names no address, counts for
    // the chunk behind it as the protocol has it: that chunk never goes out, and the report
    // counts one more than the chip got for each repeat.
    const std::string errors = writing->errors();
    const std::string head = "kelvan-cli: interrupted: ";
    const std::string tail =
        " of 596 commands of write-flash were carried out and the rest was not sent\n";
    ASSERT_TRUE(errors.starts_with(head) && errors.ends_with(tail)) << errors;
    const std::size_t carriedOut =
        std::stoul(errors.substr(head.size(), errors.size() - head.size() - tail.size()));
    std::set<int> written;
    for (const Bytes& frame : simulator().traffic().frames) {
        if (frame[0] == 10) {
            written.insert(frame[1] | frame[2] << 8);
        }
    }
    std::size_t repeats = 0;
    std::istringstream trace(folder.read("trace.txt"));
    for (std::string line; std::getline(trace, line);) {
        repeats += line.find(" > 10 ") != std::string::npos && line.ends_with("(resend)") ? 1 : 0;
    }
    EXPECT_GE(carriedOut, written.size() + 4);
    EXPECT_LE(carriedOut, written.size() + 4 + repeats);
    // It stops within a few chunks of the signal (the interrupt is looked for every 50 ms, a
    // chunk crosses the line in 21 ms), not after the rest of the 293.
    const std::size_t writesAtExit = simulator().traffic().framesPerCode[10];
    EXPECT_LE(writesAtExit, writesAtSignal + 16);
    EXPECT_EQ(simulator().traffic().framesPerCode[11], 0u);

    // The port is free for the next run, and nothing of the old one goes out.
    const CliRun again = run({"--timeout", "5", "info"});
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_EQ(simulator().traffic().framesPerCode[10], writesAtExit);
}

// The programmer unplugged behind a stable device name. Mid-write the hang-up ends the run at
// once, naming the port, before the watchdog could (which would say "Программатор не
// подключен"), whether or not --wait is given: it waits only for the programmer to appear. With
// --wait a port missing at the start is found once the programmer is plugged in.
TEST_F(KelvanCliTest, AnUnpluggedProgrammerEndsTheRunAtOnceAndWaitWaitsForItToAppear) {
    const Bytes image = randomBytes(65536, 9);
    folder.write("image.bin", text(image));
    const std::vector<std::string> write = {"--chip", "2", "write-flash", path("image.bin")};
    const std::vector<std::string> waitingWrite = {"--wait", "60",          "--chip",
                                                   "2",      "write-flash", path("image.bin")};
    const std::string vanished =
        "kelvan-cli: " + path("programmer") +
        ": the port vanished; the device was unplugged or reset\n"
        "Операция прервана: программатор не отвечает. Микросхема может быть записана или стёрта "
        "не полностью.\n";
    const struct {
        std::vector<std::string> arguments;
        bool midWrite;  // else unplugged before the start and plugged in while the tool waits
        int exitCode;
        std::string errors;
    } cases[] = {
        {write, true, 1, vanished},
        {waitingWrite, true, 1, vanished},
        {{"--wait", "60", "info"}, false, 0, ""},
    };
    const auto plugged = [](bool state) {
        return [state](const devsim::Traffic& traffic) { return traffic.plugged == state; };
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front() + (c.midWrite ? " mid-write" : " plugged in later"));
        startSimulator(SimulatorOptions{.baud = 115200, .linkPath = path("programmer")});
        if (!c.midWrite) {
            simulator().unplug();
            ASSERT_TRUE(simulator().waitUntil(plugged(false), 10s));
        }
        const std::unique_ptr<ChildProcess> child = start(c.arguments);
        if (c.midWrite) {
            ASSERT_TRUE(simulator().waitUntil(
                [](const devsim::Traffic& traffic) { return traffic.framesPerCode[10] >= 10; },
                30s));
            simulator().unplug();
        } else {
            // Long enough for the tool to have found the port missing once.
            std::this_thread::sleep_for(1500ms);
            simulator().replug();
        }
        EXPECT_EQ(child->wait(30s), c.exitCode) << child->errors();
        EXPECT_EQ(child->errors(), c.errors);
        if (c.midWrite) {
            EXPECT_TRUE(programMemory(2) != image) << "the write went on after the hang-up";
        } else {
            EXPECT_TRUE(child->output().starts_with("title: ")) << child->output();
        }
    }
}

// A line that damages a share of the programmer's bytes: whatever happens, a run that reports
// success left exactly the image in the chip. KELVAN_CLI_CORRUPT_RUNS and
// KELVAN_CLI_CORRUPT_FRACTION change the number of runs and the share of damaged bytes.
TEST_F(KelvanCliTest, ACorruptingLineNeverEndsInSuccessWithAWrongImage) {
    const char* runsSet = std::getenv("KELVAN_CLI_CORRUPT_RUNS");
    const char* fractionSet = std::getenv("KELVAN_CLI_CORRUPT_FRACTION");
    const int runs = runsSet != nullptr ? std::atoi(runsSet) : 16;
    const double fraction = fractionSet != nullptr ? std::atof(fractionSet) : 0.03;
    int succeeded = 0;
    int failed = 0;
    int verifyErrors = 0;  // of the failures: the verify caught a chunk the chip did not take
    int retryLimits = 0;   // the retry limit gave up on a command
    for (int seed = 1; seed <= runs; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        // Giving up is one of the outcomes here, and quick readies keep it short.
        startSimulator(SimulatorOptions{.corruptFraction = fraction,
                                        .seed = static_cast<std::uint32_t>(seed)},
                       10ms);
        const Bytes image = randomBytes(8192, static_cast<unsigned>(seed) + 100);
        folder.write("image.bin", text(image));
        const CliRun result = run({"--chip", "1", "write-flash", path("image.bin")}, 120s);
        ASSERT_TRUE(result.exitCode.has_value()) << "still running";
        ASSERT_TRUE(*result.exitCode == 0 || *result.exitCode == 1) << result.errors;
        if (*result.exitCode == 0) {
            ++succeeded;
            EXPECT_TRUE(programMemory(ChipB8) == image);
        } else {
            ++failed;
            verifyErrors += result.output.find("Ошибка по адресу") != std::string::npos ? 1 : 0;
            retryLimits += result.errors.find("Не могу выполнить команду!") != std::string::npos;
        }
    }
    EXPECT_GT(succeeded, 0) << "no run got through, so none showed what a success leaves";
    std::cout << "corrupting line: " << succeeded << " runs succeeded with the exact image, "
              << failed << " failed (" << verifyErrors << " verify errors, " << retryLimits
              << " retry limits)\n";
    RecordProperty("succeeded", succeeded);
    RecordProperty("failed", failed);
}

}  // namespace
}  // namespace kelvan::tools
