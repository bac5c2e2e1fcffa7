#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "devsim/Catalogue.h"
#include "devsim/DeviceModel.h"

namespace kelvan::devsim {

struct SimulatorOptions {
    // Both directions paced as a real line, 10 bits per byte at this many bit/s: output bytes
    // reach the host and the host's bytes reach the device only after their wire time. 0: as
    // fast as the pseudo-terminal moves them.
    unsigned baud = 0;
    // Reply 0 carries verdict 0 for every chip.
    bool wrongSignature = false;
    // Share of outgoing bytes that get one random bit flipped, reproducibly from seed.
    double corruptFraction = 0.0;
    std::uint32_t seed = 1;
    // A ready frame goes out when nothing has been sent for this long (at most 1000 ms keeps
    // the host's 5000 ms watchdog well fed while leaving room for a slow host).
    std::chrono::milliseconds readyInterval{500};
    // Silence once: silentAfter from the start, for silentFor, no output and input ignored.
    std::optional<std::chrono::milliseconds> silentAfter{};
    std::chrono::milliseconds silentFor{0};
    // Each ready is sent twice, DuplicateReadyGap apart, and commands are answered only once
    // both are out, so a host sends its head twice and gets two answers.
    bool duplicateReady = false;
    // Program memory addresses that do not take what is written (see DeviceModel).
    std::vector<std::uint32_t> badProgramCells{};
    // Every frame in both directions, with timestamps, in hex. Empty: no log.
    std::string logPath{};
    // A symbolic link kept pointing at the current pseudo-terminal, as a stable device name
    // would, and removed while the device is unplugged and at the end. A file or folder of
    // that name that is no symbolic link is never replaced. Empty: no link.
    std::string linkPath{};
    // Unplugged once, this long after the start: the pseudo-terminal closes, so the host sees
    // it hang up. Plugged in again this long after every unplug: a new pseudo-terminal, the
    // link pointing at it, and the chips as they were.
    std::optional<std::chrono::milliseconds> unplugAfter{};
    std::optional<std::chrono::milliseconds> replugAfter{};
    // Called on the simulator's thread when the thread ends on an error (see failure()).
    std::function<void()> onFailure{};
};

inline constexpr std::chrono::milliseconds DuplicateReadyGap{20};

// What crossed the line, as the device saw it.
struct Traffic {
    std::vector<Bytes> frames;  // every checked frame with a payload, in arrival order
    std::array<std::size_t, 256> framesPerCode{};
    std::size_t readyFramesSent = 0;
    std::size_t repliesSent = 0;
    std::size_t framesDropped = 0;  // received candidates that failed a checksum
    std::size_t bytesReceived = 0;  // from the host, while not silent
    std::size_t bytesSent = 0;      // written to the host
    std::size_t bytesCorrupted = 0;
    std::size_t silences = 0;  // silent spells begun
    bool silent = false;
    std::size_t unplugs = 0;
    std::size_t replugs = 0;
    bool plugged = true;
};

// The simulated programmer on a pseudo-terminal, run on a thread of its own. The host opens
// slavePath() (or the link); the device sends a ready frame at start, after each reply and on
// the idle timer, answers each command with the device model's reply, and records the traffic.
// It can be unplugged, which closes its pseudo-terminal, and plugged in again on a new one.
class Simulator {
  public:
    explicit Simulator(SimulatorOptions options = {},
                       const Catalogue& catalogue = standardCatalogue());
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal, the log and the link and starts the thread. Throws
    // std::system_error or std::runtime_error when any of them fails. Call once.
    void start();
    // Ends the thread and waits for it; idempotent. The pseudo-terminal and the link stay until
    // the simulator is destroyed.
    void stop();

    // The current pseudo-terminal's path; empty while unplugged.
    std::string slavePath() const;

    // Unplugs now, as unplugAfter would (the chips keep their memories; replugAfter, when set,
    // counts from here); ignored while unplugged.
    void unplug();
    // Plugs in again now on a new pseudo-terminal; ignored while plugged in.
    void replug();

    // Go silent now for duration (output dropped, input ignored), then send a ready again.
    void goSilent(std::chrono::milliseconds duration);

    // From the next frame on, flip one bit in this share (0..1) of outgoing bytes, so that a
    // test can hold a clean start-up conversation before the line turns bad.
    void setCorruptFraction(double fraction);

    // Sends a ready at once, as the idle timer would when it next runs out, so a test that
    // has just queued commands need not wait for it. Ignored while silent or while a doubled
    // ready is still going out.
    void offerReadyNow();

    // Runs function on the device model under the simulator's lock, to inspect or change
    // chips between commands.
    template <typename Function>
    decltype(auto) withDevice(Function&& function) {
        std::lock_guard lock(mutex_);
        return function(device_);
    }

    Traffic traffic() const;
    std::size_t framesReceived(std::uint8_t code) const;
    // Waits until condition holds for the traffic (checked on every change) or timeout ends;
    // returns whether it holds.
    bool waitUntil(const std::function<bool(const Traffic&)>& condition,
                   std::chrono::milliseconds timeout) const;
    // The error that ended the thread, if one did.
    std::optional<std::string> failure() const;

  private:
    class Line;

    void run();

    SimulatorOptions options_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    DeviceModel device_;
    Traffic traffic_;
    std::optional<std::string> failure_;
    std::optional<std::chrono::milliseconds> silenceRequest_;
    double corruptFraction_;  // under mutex_
    bool readyRequest_ = false;
    bool unplugRequest_ = false;
    bool replugRequest_ = false;
    std::string slavePath_;

    std::unique_ptr<Line> line_;
    std::atomic<bool> stopRequested_{false};
    std::thread thread_;
};

}  // namespace kelvan::devsim
