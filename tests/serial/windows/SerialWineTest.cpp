// The serial component's Win32 backend and the programmer link, run under Wine against
// kelvan-devsim on a pseudo-terminal that the Wine prefix names as a COM port; scripts/wine-serial
// sets that up. The program's own main thread raises the component's events, as the window's
// event loop does. Prints one line per check and exits 0 only when every check passed.
//
// Usage: serial-wine-test PORT MISSING-PORT DEVSIM-LOG [UNPLUG-PORT UNPLUG-MARKER]
//   PORT           the COM port linked to the simulator's terminal
//   MISSING-PORT   a COM port whose device does not exist
//   DEVSIM-LOG     the simulator's --log file, as a Windows path
//   UNPLUG-PORT    a COM port linked to a second simulator's stable device link
//   UNPLUG-MARKER  a file this program creates when that simulator is to be unplugged; the
//                  script then ends it and starts another behind the same link

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "QueueNotifier.h"
#include "image/ProgramBuffer.h"
#include "link/Commands.h"
#include "link/ProgrammerLink.h"
#include "link/StandInPorts.h"
#include "operations/ChipSelection.h"
#include "serial/TComm32.h"
#include "serial/Win32Port.h"
#include "session/CommSink.h"

namespace {

using namespace kelvan;
using Clock = std::chrono::steady_clock;
using link::Bytes;
using link::DeviceText;

constexpr std::size_t ImageSize = 64 * 1024;
// Generous for 300 round trips under Wine on a loaded machine; the phases end as soon as the
// queue is empty.
constexpr std::chrono::seconds PhaseTimeout{120};
constexpr std::chrono::seconds CloseLimit{1};

int failures = 0;

// Prints one check's outcome; `detail` says what was seen when it failed.
bool check(bool passed, std::string_view what, const std::string& detail = {}) {
    std::printf("%s %.*s%s%s\n", passed ? "ok  " : "FAIL", static_cast<int>(what.size()),
                what.data(), detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
    failures += passed ? 0 : 1;
    return passed;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// What the window would show: the caption, the chip list, the status bar and any warning box.
class RecordingView : public link::NullLinkView {
  public:
    std::string caption;
    std::vector<std::string> chips;
    std::string status;
    int errorColours = 0;
    std::vector<std::string> warnings;

    void setCaption(const DeviceText& title) override { caption = title.bytes; }
    void clearChipList() override { chips.clear(); }
    void appendChip(const DeviceText& name) override { chips.push_back(name.bytes); }
    void setStatusText(std::string_view utf8) override { status = utf8; }
    void setStatusErrorColour() override { ++errorColours; }
    void showWarning(std::string_view utf8) override { warnings.emplace_back(utf8); }
};

// The message an OpenPort on a fresh component raises with the reason it gives, or nothing
// when it opened.
std::optional<std::pair<std::string, serial::OpenResult>> openFailure(const std::string& port) {
    serial::test::QueueNotifier notifier;
    serial::TComm32 comm(notifier);
    comm.setCommPort(port);
    try {
        comm.OpenPort();
    } catch (const serial::ECommsError& error) {
        return std::pair(std::string(error.what()), error.openResult());
    }
    return std::nullopt;
}

void checkOpenFailures(const std::string& missingPort) {
    // An ordinary file opens, but is no COM port; it must be closed again, so that it can be
    // deleted at once (the component opens without sharing).
    const std::string plainFile = "serial-wine-test.tmp";
    check(static_cast<bool>(std::ofstream(plainFile) << "x"), "a plain file to open as a port");
    const struct {
        std::string port;
        std::string expected;
        serial::OpenResult reason;
    } cases[] = {
        {missingPort, "Невозможно открыть порт!", serial::OpenResult::NoSuchDevice},
        {plainFile, "Задан не COM-порт", serial::OpenResult::NotCommPort},
    };
    for (const auto& item : cases) {
        const auto failure = openFailure(item.port);
        check(failure && failure->first == item.expected && failure->second == item.reason,
              "OpenPort(" + item.port + ") raises \"" + item.expected + "\" with reason " +
                  std::to_string(static_cast<int>(item.reason)),
              failure ? "raised \"" + failure->first + "\" with reason " +
                            std::to_string(static_cast<int>(failure->second))
                      : "opened");
    }
    check(std::remove(plainFile.c_str()) == 0, "the plain file is closed again after OpenPort");
}

// Where the backend meets the fault a check arms: the next call of that kind fails with the
// armed error, as a removed device's driver answers.
enum class FaultCall { Read, ReadCompletion, Write };
std::atomic<FaultCall> faultCall{FaultCall::Read};
std::atomic<DWORD> faultError{0};

bool takeFault(FaultCall call) {
    if (faultCall != call) {
        return false;
    }
    const DWORD error = faultError.exchange(0);
    if (error == 0) {
        return false;
    }
    SetLastError(error);
    return true;
}

BOOL WINAPI faultyReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD count,
                           LPOVERLAPPED overlapped) {
    return !takeFault(FaultCall::Read) && ReadFile(file, buffer, size, count, overlapped);
}

BOOL WINAPI faultyWriteFile(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD count,
                            LPOVERLAPPED overlapped) {
    return !takeFault(FaultCall::Write) && WriteFile(file, bytes, size, count, overlapped);
}

// Only the receive thread asks without waiting. The real call comes first, so a completion made
// to fail has still ended.
BOOL WINAPI faultyOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD count, BOOL wait) {
    const BOOL done = GetOverlappedResult(file, overlapped, count, wait);
    return (wait || !takeFault(FaultCall::ReadCompletion)) && done;
}

// Each way a removed device shows in the backend's calls ends in exactly one hang-up event. The
// read faults are met when the simulator's next ready arrives, the write fault by a send.
void checkRemovalFaults(const std::string& port) {
    const serial::Win32Io faulty{faultyReadFile, faultyWriteFile, faultyOverlappedResult};
    const struct {
        const char* what;
        FaultCall call;
        DWORD error;
    } cases[] = {
        {"a pending read ending in ERROR_OPERATION_ABORTED", FaultCall::ReadCompletion,
         ERROR_OPERATION_ABORTED},
        {"a read refused with ERROR_DEVICE_REMOVED", FaultCall::Read, ERROR_DEVICE_REMOVED},
        {"a write refused with ERROR_ACCESS_DENIED", FaultCall::Write, ERROR_ACCESS_DENIED},
    };
    for (const auto& item : cases) {
        serial::test::QueueNotifier notifier;
        serial::TComm32 comm(notifier, std::make_unique<serial::Win32Port>(faulty));
        int hangups = 0;
        comm.OnRequestHangup = [&hangups](serial::TComm32&) { ++hangups; };
        comm.setCommPort(port);
        try {
            comm.OpenPort();
        } catch (const serial::ECommsError& error) {
            check(false, std::string(item.what) + ": OpenPort(" + port + ")", error.what());
            continue;
        }
        const bool started = notifier.waitForKind(serial::CommMessage::Kind::Started, 2);
        faultCall = item.call;
        faultError = item.error;
        if (item.call == FaultCall::Write) {
            comm.SendData(link::commands::endOfSequence());
        }
        const bool hungUp = notifier.waitForKind(serial::CommMessage::Kind::Hangup);
        notifier.drainInto(comm);
        check(
            started && hungUp && hangups == 1 && faultError == 0,
            std::string(item.what) + " raises one hang-up",
            std::to_string(hangups) + " hang-ups, fault " + (faultError == 0 ? "met" : "not met"));
        faultError = 0;
    }
}

// One programmer session on the component: the link over TComm32, with this thread as the
// main thread.
class Session {
  public:
    explicit Session(const std::string& port)
        : comm_(std::make_unique<serial::TComm32>(notifier_)),
          sink_(*comm_),
          link_(sink_, watchdog_, view_, buffer_) {
        comm_->OnReceiveData = [this](const std::uint8_t* bytes, std::uint16_t length,
                                      serial::ReceiveTime receivedAt) {
            link_.receiveData(std::span(bytes, length), receivedAt);
        };
        comm_->OnRequestHangup = [this](serial::TComm32&) { ++hangups_; };
        // The program's defaults: what the settings dialog applies before opening.
        comm_->setCommPort(port);
        comm_->setBaudRate(56000);
    }

    serial::TComm32& comm() { return *comm_; }
    link::ProgrammerLink& link() { return link_; }
    RecordingView& view() { return view_; }
    ProgramBuffer& buffer() { return buffer_; }
    int hangups() const { return hangups_; }
    // Every ready frame restarts the watchdog.
    int readyFrames() const { return watchdog_.restarts; }

    // Raises the component's events until `done` holds; false when `timeout` passes first.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const Clock::time_point deadline = Clock::now() + timeout;
        while (!done()) {
            if (Clock::now() >= deadline) {
                return false;
            }
            notifier_.waitUntil([](const auto& messages) { return !messages.empty(); },
                                std::chrono::milliseconds(100));
            notifier_.drainInto(*comm_);
        }
        return true;
    }

    // Queues `payloads` and raises events until the programmer has answered all of them.
    bool run(const std::vector<Bytes>& payloads) {
        for (const Bytes& payload : payloads) {
            link_.enqueue(payload);
        }
        return pumpUntil([this] { return link_.queueLength() == 0; }, PhaseTimeout);
    }

    // Destroys the component (stop, join both threads, close) and returns how long that took;
    // `lateHangups` counts the hang-ups the threads posted on their way out.
    double close(std::size_t& lateHangups) {
        const Clock::time_point start = Clock::now();
        comm_.reset();
        const double seconds = secondsSince(start);
        lateHangups = serial::test::countKind(notifier_.take(), serial::CommMessage::Kind::Hangup);
        return seconds;
    }

  private:
    serial::test::QueueNotifier notifier_;
    std::unique_ptr<serial::TComm32> comm_;
    session::CommSink sink_;
    link::CountingWatchdog watchdog_;
    RecordingView view_;
    ProgramBuffer buffer_;
    link::ProgrammerLink link_;
    int hangups_ = 0;
};

// The payloads for a chunked transfer of `size` bytes from address 0, each chunk laid out by
// `chunk`, between a chip select and the closing 255.
std::vector<Bytes> chunked(std::uint8_t chip, std::size_t size,
                           const std::function<Bytes(std::uint32_t, std::size_t)>& chunk) {
    std::vector<Bytes> payloads{link::commands::selectChip(chip)};
    for (std::size_t address = 0; address < size; address += link::ChunkSize) {
        payloads.push_back(
            chunk(static_cast<std::uint32_t>(address), std::min(link::ChunkSize, size - address)));
    }
    payloads.push_back(link::commands::endOfSequence());
    return payloads;
}

std::vector<std::uint8_t> testImage() {
    std::vector<std::uint8_t> image(ImageSize);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>((i * 131 + (i >> 8)) ^ 0x5A);
    }
    return image;
}

// Chooses the first chip with ImageSize bytes of program memory, as a click in the chip list
// does; its index, or nothing.
std::optional<std::uint8_t> chooseChip(Session& session) {
    for (std::size_t index = 0; index < session.view().chips.size(); ++index) {
        if (!session.run(operations::chipChosenCommands(static_cast<int>(index)))) {
            return std::nullopt;
        }
        if (session.link().programMemorySize() == ImageSize) {
            return static_cast<std::uint8_t>(index);
        }
    }
    return std::nullopt;
}

// Writes, verifies and reads back a full image of the chosen chip's program memory, then
// verifies one chunk that differs.
void transferImage(Session& session, std::uint8_t chip) {
    const std::vector<std::uint8_t> image = testImage();
    const auto data = [&image](std::uint32_t address, std::size_t count) {
        return std::span(image).subspan(address, count);
    };
    const struct {
        const char* name;
        std::function<Bytes(std::uint32_t, std::size_t)> chunk;
    } phases[] = {
        {"written",
         [&](std::uint32_t address, std::size_t count) {
             return link::commands::writeProgramMemory(address, data(address, count));
         }},
        {"verified",
         [&](std::uint32_t address, std::size_t count) {
             return link::commands::verifyProgramMemory(address, data(address, count));
         }},
        {"read",
         [](std::uint32_t address, std::size_t count) {
             return link::commands::readProgramMemory(address, static_cast<std::uint8_t>(count));
         }},
    };
    ProgramBuffer& buffer = session.buffer();
    buffer.resize(ImageSize);  // zeros, until the read fills it
    for (const auto& phase : phases) {
        const Clock::time_point start = Clock::now();
        check(
            session.run(chunked(chip, ImageSize, phase.chunk)) && session.view().errorColours == 0,
            std::string("64 KiB ") + phase.name + " in 224-byte chunks", session.view().status);
        std::printf("     %s: %.2f s\n", phase.name, secondsSince(start));
    }
    std::size_t firstDifference = 0;
    while (firstDifference < ImageSize && buffer.at(firstDifference) == image[firstDifference]) {
        ++firstDifference;
    }
    check(firstDifference == ImageSize, "the image read back is the one written",
          "first difference at " + std::to_string(firstDifference));

    // A chunk that differs at AF2A (chunk 200 starts at 200 * 224 = AF00) must be reported
    // there, so the verify above could have failed.
    std::vector<std::uint8_t> wrong(image.begin() + 0xAF00, image.begin() + 0xAF00 + 224);
    wrong[0x2A] ^= 0xFF;
    session.run({link::commands::verifyProgramMemory(0xAF00, wrong)});
    check(session.view().errorColours == 1 &&
              session.view().status == "Ошибка по адресу AF2A. Попробуйте программировать снова!",
          "a differing chunk fails its verify at its address", session.view().status);
}

// The payloads the simulator received, in order, from its log ("  1.234 rx D1 E0 EB EE N S
// payload... sum"); a frame sent again unchanged (a retry) counts once.
std::vector<Bytes> receivedPayloads(const std::string& logPath) {
    std::ifstream log(logPath);
    std::vector<Bytes> payloads;
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        std::string stamp;
        std::string direction;
        fields >> stamp >> direction;
        Bytes frame;
        unsigned value = 0;
        while (fields >> std::hex >> value) {
            frame.push_back(static_cast<std::uint8_t>(value));
        }
        if (direction != "rx" || frame.size() < 8) {
            continue;  // the device's own frames, notes, and ready frames
        }
        Bytes payload(frame.begin() + 6, frame.end() - 1);
        if (payloads.empty() || payloads.back() != payload) {
            payloads.push_back(std::move(payload));
        }
    }
    return payloads;
}

std::string describe(const std::vector<Bytes>& payloads) {
    std::string text;
    for (const Bytes& payload : payloads) {
        text += text.empty() ? "" : ",";
        for (std::size_t i = 0; i < payload.size(); ++i) {
            text += i == 0 ? "" : " ";
            text += std::to_string(payload[i]);
        }
    }
    return text;
}

// The start-up conversation as the simulator received it: everything before the first chip
// select.
void checkStartupOrder(const std::string& logPath, int aboutLines, std::size_t chips) {
    std::vector<Bytes> received = receivedPayloads(logPath);
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (received[i][0] == link::byteOf(link::CommandCode::SelectChip)) {
            received.resize(i);
            break;
        }
    }
    std::vector<Bytes> expected{{255}, {254}, {253}, {251}};
    for (int line = 0; line < aboutLines; ++line) {
        expected.push_back({252, static_cast<std::uint8_t>(line)});
    }
    for (std::size_t chip = 0; chip < chips; ++chip) {
        expected.push_back({250, static_cast<std::uint8_t>(chip)});
    }
    check(aboutLines > 0 && chips > 0 && received == expected,
          "the simulator received 255, 254, 253, 251, 252 x " + std::to_string(aboutLines) +
              ", 250 x " + std::to_string(chips),
          "received " + describe(received));
}

// A programmer unplugged for real: Wine's serial driver must end the port's read, and the
// port must open again behind the same name once the programmer is back.
void checkUnplug(const std::string& port, const std::string& marker) {
    Session session(port);
    serial::TComm32& comm = session.comm();
    const auto talk = [&session] {
        return session.run({link::commands::endOfSequence(), link::commands::askTitle()}) &&
               !session.view().chips.empty();
    };
    try {
        comm.OpenPort();
    } catch (const serial::ECommsError& error) {
        check(false, "OpenPort(" + port + ")", error.what());
        return;
    }
    if (!check(talk(), "start-up conversation on " + port)) {
        return;
    }
    check(static_cast<bool>(std::ofstream(marker) << "unplug\n"), "the unplug marker written");
    check(session.pumpUntil([&session] { return session.hangups() > 0; }, PhaseTimeout),
          "the unplugged programmer's port hangs up");
    comm.ClosePort();

    bool reopened = false;
    const Clock::time_point deadline = Clock::now() + PhaseTimeout;
    while (!reopened && Clock::now() < deadline) {
        try {
            reopened = comm.OpenPort();
        } catch (const serial::ECommsError&) {
            Sleep(1000);  // the name is missing until the programmer is back
        }
    }
    session.view().chips.clear();
    check(reopened && talk(), "the port opens again on the programmer plugged in, and it answers");
}

int run(const std::string& port, const std::string& missingPort, const std::string& logPath,
        const std::optional<std::pair<std::string, std::string>>& unplug) {
    const Clock::time_point started = Clock::now();
    checkOpenFailures(missingPort);
    checkRemovalFaults(port);

    Session session(port);
    serial::TComm32& comm = session.comm();
    bool opened = false;
    try {
        opened = comm.OpenPort();
        check(opened, "OpenPort(" + port + ") at 56000 bit/s, no ninth bit");
    } catch (const serial::ECommsError& error) {
        check(false, "OpenPort(" + port + ") at 56000 bit/s, no ninth bit", error.what());
    }
    if (!opened) {
        return 1;
    }
    // What the settings dialog does next. A pseudo-terminal has no modem lines, so the driver
    // refuses both, as the Linux backend's does; the port must stay usable.
    check(!comm.EscapeFunction(serial::EscapeSetRts) && !comm.EscapeFunction(serial::EscapeClrDtr),
          "RTS and DTR escapes refused on a pseudo-terminal, as on Linux");
    check(session.pumpUntil([&] { return comm.receiverStarted() && comm.transmitterStarted(); },
                            serial::test::IoTimeout),
          "both threads report that they started");

    Clock::time_point start = Clock::now();
    const bool talked = session.run({link::commands::endOfSequence(), link::commands::askTitle()});
    check(talked && !session.view().caption.empty() && !session.view().chips.empty(),
          "start-up conversation: title, about lines and " +
              std::to_string(session.view().chips.size()) + " chips");
    std::printf("     start-up: %.2f s\n", secondsSince(start));

    start = Clock::now();
    const std::optional<std::uint8_t> chip = chooseChip(session);
    std::printf("     chip: %.2f s\n", secondsSince(start));
    if (check(chip.has_value(), "a chip with 64 KiB of program memory is chosen")) {
        transferImage(session, *chip);
    }
    check(session.view().warnings.empty() && session.hangups() == 0,
          "no retry warning and no hang-up during the session",
          std::to_string(session.view().warnings.size()) + " warnings, " +
              std::to_string(session.hangups()) + " hang-ups");

    // Close right after a ready frame: the simulator then stays quiet for its ready interval
    // (1000 ms), so a close that waits for the next byte to end its read cannot pass.
    const int readies = session.readyFrames();
    session.pumpUntil([&] { return session.readyFrames() > readies; }, serial::test::IoTimeout);
    std::size_t lateHangups = 0;
    const double closing = session.close(lateHangups);
    check(closing < std::chrono::duration<double>(CloseLimit).count() && lateHangups == 0,
          "closing ends both threads within a second, quietly",
          std::to_string(closing) + " s, " + std::to_string(lateHangups) + " hang-ups");
    std::printf("     close: %.3f s\n", closing);

    checkStartupOrder(logPath, session.link().aboutLineCount(), session.view().chips.size());
    if (unplug) {
        checkUnplug(unplug->first, unplug->second);
    }
    std::printf("%d failed; %.2f s\n", failures, secondsSince(started));
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 6) {
        std::fputs(
            "usage: serial-wine-test PORT MISSING-PORT DEVSIM-LOG [UNPLUG-PORT "
            "UNPLUG-MARKER]\n",
            stderr);
        return 2;
    }
    try {
        std::optional<std::pair<std::string, std::string>> unplug;
        if (argc == 6) {
            unplug.emplace(argv[4], argv[5]);
        }
        return run(argv[1], argv[2], argv[3], unplug);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "serial-wine-test: %s\n", error.what());
        return 1;
    }
}
