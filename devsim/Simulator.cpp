#include "devsim/Simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

#include "devsim/DeviceFrameReader.h"
#include "devsim/PseudoTerminal.h"
#include "link/HexBytes.h"
#include "link/LinkFrame.h"

namespace kelvan::devsim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

[[noreturn]] void throwErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// How long the device waits for the host to use the rest of its readies before it offers a
// new one.
constexpr auto ReadySettle = 50ms;

// How late the poll loop may be before paced output stops catching up in a burst.
constexpr auto PacingSlack = 10ms;

// Paced output goes to the terminal in batches of about this much wire time, so that the loop
// does not wake for every byte; the last byte of a burst is always written on time.
constexpr std::chrono::nanoseconds PacingBatch = 500us;

// The wire time of one byte at baud (a start bit, 8 data bits, a stop bit); 0 when unpaced.
std::chrono::nanoseconds byteTimeAt(unsigned baud) {
    return std::chrono::nanoseconds(baud == 0 ? 0 : 10'000'000'000LL / baud);
}

// The time from now to at for ppoll, in nanoseconds rather than poll's milliseconds: paced
// bytes are due every few microseconds.
timespec timeoutUntil(Clock::time_point at, Clock::time_point now) {
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(at - now);
    return timespec{static_cast<time_t>(wait.count() / 1'000'000'000),
                    static_cast<long>(wait.count() % 1'000'000'000)};
}

}  // namespace

// The thread's side: the pseudo-terminal, the wake-up pipe, the log, the link and the state of
// the conversation. Only the simulator's thread touches it after start().
class Simulator::Line {
  public:
    explicit Line(Simulator& owner)
        : owner_(owner),
          options_(owner.options_),
          terminal_(std::make_unique<PseudoTerminal>()),
          random_(options_.seed),
          byteTime_(byteTimeAt(options_.baud)) {
        int fds[2];
        if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
            throwErrno("pipe2(wake pipe)");
        }
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
        try {
            if (!options_.logPath.empty()) {
                log_.open(options_.logPath, std::ios::out | std::ios::trunc);
                if (!log_) {
                    throw std::runtime_error("cannot open log file " + options_.logPath);
                }
            }
            pointLink();
        } catch (...) {
            closePipe();
            throw;
        }
    }

    ~Line() {
        removeLink();
        closePipe();
    }

    // The pseudo-terminal's path while plugged in.
    const std::string& slavePath() const { return terminal_->slavePath(); }

    // Wakes the thread so it sees a stop, silence or plug request at once.
    void wake() {
        const char byte = 1;
        // A full pipe already holds a pending wake-up, so EAGAIN loses nothing.
        if (write(wakeWrite_, &byte, 1) < 0 && errno != EAGAIN) {
            throwErrno("write(wake pipe)");
        }
    }

    void run();

  private:
    // Points the link at the current pseudo-terminal: a new link is made beside it and renamed
    // over it, so a host never finds the name missing or half made. Throws std::runtime_error
    // when the name is taken by anything but a symbolic link, std::system_error (through
    // std::filesystem) when the link cannot be made.
    void pointLink() {
        if (options_.linkPath.empty()) {
            return;
        }
        const std::filesystem::path link(options_.linkPath);
        std::filesystem::path fresh = link;
        fresh += ".new-" + std::to_string(getpid());
        for (const std::filesystem::path& name : {link, fresh}) {
            const std::filesystem::file_status status = std::filesystem::symlink_status(name);
            if (std::filesystem::exists(status) && !std::filesystem::is_symlink(status)) {
                throw std::runtime_error(name.string() + " exists and is no symbolic link");
            }
        }
        std::filesystem::remove(fresh);  // a symbolic link left by an earlier run, if any
        std::filesystem::create_symlink(terminal_->slavePath(), fresh);
        std::filesystem::rename(fresh, link);
        linkTarget_ = terminal_->slavePath();
    }

    // Removes the link while it still points where this simulator put it. Errors are ignored:
    // a link that cannot be removed points at a pseudo-terminal that no longer exists, which
    // a host cannot open either.
    void removeLink() {
        if (linkTarget_.empty()) {
            return;
        }
        std::error_code error;
        if (std::filesystem::read_symlink(options_.linkPath, error) == linkTarget_) {
            std::filesystem::remove(options_.linkPath, error);
        }
        linkTarget_.clear();
    }

    // Empties the wake-up pipe; the read that finds it empty ends with EAGAIN, which is the goal.
    void drainWakePipe() {
        char drain[64];
        while (read(wakeRead_, drain, sizeof drain) > 0) {
        }
    }

    // Waits for a wake-up or the next timed event, with no pseudo-terminal to watch.
    void waitForWake(Clock::time_point now) {
        pollfd wake{wakeRead_, POLLIN, 0};
        const timespec timeout = timeoutUntil(nextWake(now), now);
        const int ready = ppoll(&wake, 1, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            throwErrno("ppoll");
        }
        if (ready > 0) {
            drainWakePipe();
        }
    }

    void closePipe() {
        // Teardown: nothing useful can be done about a failing close.
        if (wakeRead_ >= 0) {
            close(wakeRead_);
        }
        if (wakeWrite_ >= 0) {
            close(wakeWrite_);
        }
        wakeRead_ = wakeWrite_ = -1;
    }

    void logLine(const char* direction, std::span<const std::uint8_t> bytes,
                 const std::string& note = {}) {
        if (!log_.is_open()) {
            return;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%10.3f ", seconds);
        std::string line = direction;
        link::appendSpacedHex(line, bytes);
        log_ << stamp << line << note << '\n';
        log_.flush();
        if (!log_) {
            throw std::runtime_error("cannot write log file " + options_.logPath);
        }
    }

    // Queues a frame for output; on an idle line it starts at `at`, which may lie a little in the
    // past when the loop woke late.
    void queueFrame(std::span<const std::uint8_t> payload, Clock::time_point at);
    void sendReadyBatch(Clock::time_point now);
    void answer(const Bytes& payload, Clock::time_point at);
    void offerReady(Clock::time_point now);
    void receive(Clock::time_point now);
    void take(std::span<const std::uint8_t> bytes, Clock::time_point now);
    void holdInput(std::span<const std::uint8_t> bytes, Clock::time_point now);
    void takeDueInput(Clock::time_point now);
    void flushOutput(Clock::time_point now);
    void beginSilence(Clock::time_point now, std::chrono::milliseconds duration);
    void dropConversation();
    void unplug(Clock::time_point now);
    void replug(Clock::time_point now);
    void announcePlug(bool plugged);
    Clock::time_point nextWake(Clock::time_point now) const;

    Simulator& owner_;
    const SimulatorOptions& options_;
    std::unique_ptr<PseudoTerminal> terminal_;  // null while unplugged
    std::string linkTarget_;                    // where the link points, empty: no link made
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::ofstream log_;
    std::mt19937 random_;
    DeviceFrameReader reader_;
    std::size_t skippedLogged_ = 0;

    Clock::time_point started_ = Clock::now();
    Bytes output_;
    std::size_t outputSent_ = 0;
    // Paced output: when the line is free for the next byte.
    Clock::time_point lineFreeAt_{};
    Clock::time_point lastOutput_{};
    const std::chrono::nanoseconds byteTime_;
    // Paced input: bytes the terminal delivered at once that are still crossing the line.
    Bytes input_;
    std::size_t inputTaken_ = 0;
    Clock::time_point inputNextDoneAt_{};  // when the first held byte has crossed
    Clock::time_point inputLineFreeAt_{};  // when the last byte taken had crossed
    int readiesOutstanding_ = 0;
    std::optional<Clock::time_point> secondReadyAt_;
    std::optional<Clock::time_point> settleReadyAt_;
    std::deque<Bytes> deferred_;
    std::optional<Clock::time_point> silenceStartsAt_;
    std::optional<Clock::time_point> silentUntil_;
    std::optional<Clock::time_point> unplugAt_;
    std::optional<Clock::time_point> replugAt_;
};

void Simulator::Line::queueFrame(std::span<const std::uint8_t> payload, Clock::time_point at) {
    Bytes frame = link::buildLinkFrame(payload);
    std::size_t corrupted = 0;
    double fraction = 0.0;
    {
        std::lock_guard lock(owner_.mutex_);
        fraction = owner_.corruptFraction_;
    }
    if (fraction > 0.0) {
        std::bernoulli_distribution corrupt(fraction);
        std::uniform_int_distribution<int> bit(0, 7);
        for (std::uint8_t& byte : frame) {
            if (corrupt(random_)) {
                byte = static_cast<std::uint8_t>(byte ^ (1u << bit(random_)));
                ++corrupted;
            }
        }
    }
    logLine("tx", frame,
            corrupted > 0 ? "  (" + std::to_string(corrupted) + " bytes corrupted)" : "");
    if (output_.empty()) {
        lineFreeAt_ = std::max(lineFreeAt_, at);
    }
    output_.insert(output_.end(), frame.begin(), frame.end());
    std::lock_guard lock(owner_.mutex_);
    owner_.traffic_.bytesCorrupted += corrupted;
    if (payload.empty()) {
        ++owner_.traffic_.readyFramesSent;
    } else {
        ++owner_.traffic_.repliesSent;
    }
    owner_.changed_.notify_all();
}

void Simulator::Line::sendReadyBatch(Clock::time_point now) {
    settleReadyAt_.reset();
    queueFrame({}, now);
    readiesOutstanding_ = options_.duplicateReady ? 2 : 1;
    if (options_.duplicateReady) {
        secondReadyAt_ = now + DuplicateReadyGap;
    }
}

void Simulator::Line::answer(const Bytes& payload, Clock::time_point at) {
    Bytes reply;
    {
        std::lock_guard lock(owner_.mutex_);
        reply = owner_.device_.handle(payload);
    }
    queueFrame(reply, at);
}

// After replies have been queued: offers the next ready once every ready already out has
// been answered, or ReadySettle later when the host does not use them all (it had nothing
// queued, or it read two readies as one block).
void Simulator::Line::offerReady(Clock::time_point now) {
    if (secondReadyAt_ || silentUntil_) {
        return;
    }
    if (readiesOutstanding_ == 0) {
        sendReadyBatch(now);
    } else if (!settleReadyAt_) {
        settleReadyAt_ = now + ReadySettle;
    }
}

void Simulator::Line::receive(Clock::time_point now) {
    std::array<std::uint8_t, 4096> block;
    for (;;) {
        const ssize_t count = read(terminal_->masterFd(), block.data(), block.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (count < 0) {
            throwErrno("read(pseudo-terminal master)");
        }
        if (count == 0) {
            return;
        }
        const std::span<const std::uint8_t> bytes(block.data(), static_cast<std::size_t>(count));
        if (silentUntil_) {
            logLine("rx", bytes, "  (ignored: silent)");
            continue;
        }
        {
            std::lock_guard lock(owner_.mutex_);
            owner_.traffic_.bytesReceived += bytes.size();
        }
        if (byteTime_.count() > 0) {
            holdInput(bytes, now);
        } else {
            take(bytes, now);
        }
    }
}

// Bytes that have crossed the line by `now`: cut into frames and answered.
void Simulator::Line::take(std::span<const std::uint8_t> bytes, Clock::time_point now) {
    bool answered = false;
    for (DeviceFrameReader::Frame& frame : reader_.feed(bytes)) {
        if (log_.is_open()) {  // the frame is laid out again only for the log
            logLine("rx", link::buildLinkFrame(frame.payload));
        }
        if (frame.payload.empty()) {
            continue;  // a host has no business sending ready frames; nothing to answer
        }
        {
            std::lock_guard lock(owner_.mutex_);
            owner_.traffic_.frames.push_back(frame.payload);
            ++owner_.traffic_.framesPerCode[frame.payload[0]];
            owner_.changed_.notify_all();
        }
        readiesOutstanding_ = std::max(0, readiesOutstanding_ - 1);
        if (secondReadyAt_) {
            deferred_.push_back(std::move(frame.payload));
        } else {
            answer(frame.payload, now);
            answered = true;
        }
    }
    if (answered) {
        offerReady(now);
    }
    if (reader_.bytesSkipped() != skippedLogged_) {
        const std::string note =
            "  (skipped " + std::to_string(reader_.bytesSkipped() - skippedLogged_) + " bytes, " +
            std::to_string(reader_.framesDropped()) + " bad frames so far)";
        logLine("rx", {}, note);
        skippedLogged_ = reader_.bytesSkipped();
        std::lock_guard lock(owner_.mutex_);
        owner_.traffic_.framesDropped = reader_.framesDropped();
        owner_.changed_.notify_all();
    }
}

// A pseudo-terminal hands over the host's whole frame at once; a real line delivers its last
// byte only the frame's wire time later. Held bytes are taken as they would have crossed.
void Simulator::Line::holdInput(std::span<const std::uint8_t> bytes, Clock::time_point now) {
    if (inputTaken_ == input_.size()) {
        input_.clear();
        inputTaken_ = 0;
        inputNextDoneAt_ = std::max(now, inputLineFreeAt_) + byteTime_;
    }
    input_.insert(input_.end(), bytes.begin(), bytes.end());
}

void Simulator::Line::takeDueInput(Clock::time_point now) {
    if (inputTaken_ == input_.size() || now < inputNextDoneAt_) {
        return;
    }
    const std::size_t due = std::min<std::size_t>(input_.size() - inputTaken_,
                                                  1 + (now - inputNextDoneAt_) / byteTime_);
    const Bytes bytes(input_.begin() + static_cast<std::ptrdiff_t>(inputTaken_),
                      input_.begin() + static_cast<std::ptrdiff_t>(inputTaken_ + due));
    inputTaken_ += due;
    inputNextDoneAt_ += byteTime_ * static_cast<long>(due);
    inputLineFreeAt_ = inputNextDoneAt_ - byteTime_;
    // The device answers as soon as the bytes have crossed, however late the loop woke.
    take(bytes, inputLineFreeAt_);
}

// Paced, a byte reaches the host only once it has crossed the line, its stop bit included.
void Simulator::Line::flushOutput(Clock::time_point now) {
    if (outputSent_ == output_.size()) {
        return;
    }
    std::size_t allowed = output_.size() - outputSent_;
    if (byteTime_.count() > 0) {
        lineFreeAt_ = std::max(lineFreeAt_, now - PacingSlack);
        if (now < lineFreeAt_ + byteTime_) {
            return;
        }
        allowed = std::min<std::size_t>(allowed, (now - lineFreeAt_) / byteTime_);
    }
    const ssize_t written = write(terminal_->masterFd(), output_.data() + outputSent_, allowed);
    if (written < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return;
        }
        throwErrno("write(pseudo-terminal master)");
    }
    outputSent_ += static_cast<std::size_t>(written);
    lineFreeAt_ += byteTime_ * written;
    {
        std::lock_guard lock(owner_.mutex_);
        owner_.traffic_.bytesSent += static_cast<std::size_t>(written);
        owner_.changed_.notify_all();
    }
    if (outputSent_ == output_.size()) {
        output_.clear();
        outputSent_ = 0;
        lastOutput_ = std::max(now, lineFreeAt_);
    }
}

// Forgets every frame half sent or half taken and every ready still out.
void Simulator::Line::dropConversation() {
    output_.clear();
    outputSent_ = 0;
    input_.clear();
    inputTaken_ = 0;
    reader_.reset();
    readiesOutstanding_ = 0;
    secondReadyAt_.reset();
    settleReadyAt_.reset();
    deferred_.clear();
}

void Simulator::Line::beginSilence(Clock::time_point now, std::chrono::milliseconds duration) {
    silentUntil_ = now + duration;
    dropConversation();
    logLine("--", {}, " silent for " + std::to_string(duration.count()) + " ms");
    std::lock_guard lock(owner_.mutex_);
    owner_.traffic_.silent = true;
    ++owner_.traffic_.silences;
    owner_.changed_.notify_all();
}

// Closing the pseudo-terminal is what the host sees as its device going away: a hang-up on
// its open port, and no link to open again.
void Simulator::Line::unplug(Clock::time_point now) {
    dropConversation();
    removeLink();
    terminal_.reset();
    if (options_.replugAfter) {
        replugAt_ = now + *options_.replugAfter;
    }
    logLine("--", {}, " unplugged");
    announcePlug(false);
}

// A new pseudo-terminal, the link moved to it, and the conversation from its start.
void Simulator::Line::replug(Clock::time_point now) {
    replugAt_.reset();
    terminal_ = std::make_unique<PseudoTerminal>();
    pointLink();
    logLine("--", {}, " plugged in on " + terminal_->slavePath());
    announcePlug(true);
    lastOutput_ = now;
    lineFreeAt_ = now;
    inputLineFreeAt_ = now;
    if (!silentUntil_) {
        sendReadyBatch(now);
    }
}

void Simulator::Line::announcePlug(bool plugged) {
    std::lock_guard lock(owner_.mutex_);
    owner_.slavePath_ = plugged ? terminal_->slavePath() : std::string();
    owner_.traffic_.plugged = plugged;
    ++(plugged ? owner_.traffic_.replugs : owner_.traffic_.unplugs);
    owner_.changed_.notify_all();
}

Clock::time_point Simulator::Line::nextWake(Clock::time_point now) const {
    Clock::time_point next = now + 1min;
    const auto consider = [&next](std::optional<Clock::time_point> at) {
        if (at) {
            next = std::min(next, *at);
        }
    };
    consider(unplugAt_);
    consider(replugAt_);
    if (!terminal_) {
        return std::max(now, next);
    }
    consider(silenceStartsAt_);
    consider(silentUntil_);
    if (!silentUntil_) {
        consider(secondReadyAt_);
        consider(settleReadyAt_);
        if (inputTaken_ < input_.size()) {  // when the last held byte has crossed
            consider(inputNextDoneAt_ +
                     byteTime_ * static_cast<long>(input_.size() - inputTaken_ - 1));
        }
        if (output_.empty()) {
            consider(lastOutput_ + options_.readyInterval);
        } else if (byteTime_.count() > 0) {
            const std::size_t batch = std::max<std::size_t>(1, PacingBatch / byteTime_);
            const std::size_t bytes = std::min(output_.size() - outputSent_, batch);
            consider(lineFreeAt_ + byteTime_ * static_cast<long>(bytes));
        }
    }
    return std::max(now, next);
}

void Simulator::Line::run() {
    started_ = Clock::now();
    lastOutput_ = started_;
    lineFreeAt_ = started_;
    if (options_.silentAfter) {
        silenceStartsAt_ = started_ + *options_.silentAfter;
    }
    if (options_.unplugAfter) {
        unplugAt_ = started_ + *options_.unplugAfter;
    }
    sendReadyBatch(started_);
    while (!owner_.stopRequested_) {
        Clock::time_point now = Clock::now();
        std::optional<std::chrono::milliseconds> request;
        bool readyRequest = false;
        bool unplugRequest = false;
        bool replugRequest = false;
        {
            std::lock_guard lock(owner_.mutex_);
            request.swap(owner_.silenceRequest_);
            std::swap(readyRequest, owner_.readyRequest_);
            std::swap(unplugRequest, owner_.unplugRequest_);
            std::swap(replugRequest, owner_.replugRequest_);
        }
        if (unplugAt_ && now >= *unplugAt_) {
            unplugAt_.reset();
            unplugRequest = true;
        }
        if (unplugRequest && terminal_) {
            unplug(now);
        }
        if ((replugRequest || (replugAt_ && now >= *replugAt_)) && !terminal_) {
            replug(now);
        }
        if (!terminal_) {
            // Unplugged: nothing to talk to until the next plug event or a request.
            waitForWake(now);
            continue;
        }
        if (request) {
            beginSilence(now, *request);
        }
        if (silenceStartsAt_ && now >= *silenceStartsAt_) {
            silenceStartsAt_.reset();
            beginSilence(now, options_.silentFor);
        }
        if (silentUntil_ && now >= *silentUntil_) {
            silentUntil_.reset();
            logLine("--", {}, " silence over");
            {
                std::lock_guard lock(owner_.mutex_);
                owner_.traffic_.silent = false;
                owner_.changed_.notify_all();
            }
            sendReadyBatch(now);
        }
        if (!silentUntil_) {
            takeDueInput(now);
            if (secondReadyAt_ && now >= *secondReadyAt_) {
                secondReadyAt_.reset();
                queueFrame({}, now);
                const bool anyDeferred = !deferred_.empty();
                for (const Bytes& payload : deferred_) {
                    answer(payload, now);
                }
                deferred_.clear();
                if (anyDeferred) {
                    offerReady(now);
                }
            }
            const bool idle = output_.empty() && now >= lastOutput_ + options_.readyInterval;
            const bool settled = settleReadyAt_ && now >= *settleReadyAt_;
            if (!secondReadyAt_ && (idle || settled || readyRequest)) {
                sendReadyBatch(now);
            }
            flushOutput(now);
        }

        // Output that is due but was not written waits for room in the terminal.
        const bool mayWrite = !silentUntil_ && !output_.empty() &&
                              (byteTime_.count() == 0 || now >= lineFreeAt_ + byteTime_);
        pollfd fds[2] = {
            {wakeRead_, POLLIN, 0},
            {terminal_->masterFd(), static_cast<short>(POLLIN | (mayWrite ? POLLOUT : 0)), 0},
        };
        const timespec timeout = timeoutUntil(nextWake(now), now);
        const int ready = ppoll(fds, 2, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            throwErrno("ppoll");
        }
        if (ready <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            drainWakePipe();
        }
        now = Clock::now();
        if (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) {
            receive(now);
        }
        if (!silentUntil_) {
            flushOutput(now);
        }
    }
}

Simulator::Simulator(SimulatorOptions options, const Catalogue& catalogue)
    : options_(std::move(options)),
      device_(catalogue),
      corruptFraction_(std::clamp(options_.corruptFraction, 0.0, 1.0)) {
    device_.setWrongSignature(options_.wrongSignature);
    device_.setBadProgramCells(options_.badProgramCells);
}

Simulator::~Simulator() {
    stop();
}

void Simulator::start() {
    if (line_) {
        throw std::logic_error("simulator already started");
    }
    line_ = std::make_unique<Line>(*this);
    slavePath_ = line_->slavePath();
    thread_ = std::thread([this] {
        try {
            line_->run();
        } catch (const std::exception& error) {
            {
                std::lock_guard lock(mutex_);
                failure_ = error.what();
                changed_.notify_all();
            }
            if (options_.onFailure) {
                options_.onFailure();
            }
        }
    });
}

void Simulator::stop() {
    if (!thread_.joinable()) {
        return;
    }
    stopRequested_ = true;
    try {
        line_->wake();
    } catch (const std::system_error&) {
        // The stop is only delayed: the thread rechecks the flag whenever its poll times out,
        // which is within a minute at most.
    }
    thread_.join();
}

std::string Simulator::slavePath() const {
    if (!line_) {
        throw std::logic_error("simulator not started");
    }
    std::lock_guard lock(mutex_);
    return slavePath_;
}

void Simulator::unplug() {
    {
        std::lock_guard lock(mutex_);
        unplugRequest_ = true;
    }
    if (line_) {
        line_->wake();
    }
}

void Simulator::replug() {
    {
        std::lock_guard lock(mutex_);
        replugRequest_ = true;
    }
    if (line_) {
        line_->wake();
    }
}

void Simulator::goSilent(std::chrono::milliseconds duration) {
    {
        std::lock_guard lock(mutex_);
        silenceRequest_ = duration;
    }
    if (line_) {
        line_->wake();
    }
}

void Simulator::setCorruptFraction(double fraction) {
    std::lock_guard lock(mutex_);
    corruptFraction_ = std::clamp(fraction, 0.0, 1.0);
}

void Simulator::offerReadyNow() {
    {
        std::lock_guard lock(mutex_);
        readyRequest_ = true;
    }
    if (line_) {
        line_->wake();
    }
}

Traffic Simulator::traffic() const {
    std::lock_guard lock(mutex_);
    return traffic_;
}

std::size_t Simulator::framesReceived(std::uint8_t code) const {
    std::lock_guard lock(mutex_);
    return traffic_.framesPerCode[code];
}

bool Simulator::waitUntil(const std::function<bool(const Traffic&)>& condition,
                          std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return condition(traffic_); });
}

std::optional<std::string> Simulator::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

}  // namespace kelvan::devsim
