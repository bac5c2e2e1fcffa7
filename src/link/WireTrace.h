#pragma once

// The wire trace: what a user sends in when a programmer misbehaves. One line per frame in both
// directions, and one for the retry limit:
//
//     12.345 > 249 F9 02            a frame to the programmer: code, payload in hexadecimal
//     13.020 < 249 F9               a frame from the programmer
//     13.500 < ready                an empty frame, the programmer's ready signal
//   5013.500 > 249 F9 02 (resend)   the same command again, still unanswered
//   6000.000 ! retry limit: Не могу выполнить команду! Очередь команд очищена.
//
// The stamp is milliseconds since the start of the run; for received frames it is when the
// serial receive thread read them. Received frames may carry "(stale)" (a ready read before the
// last command went out, which sends nothing) or "(unmatched)" (a reply that answered nothing
// queued and was dropped). The first line, starting with "#", names the columns.

#include <filesystem>
#include <fstream>
#include <ostream>
#include <span>
#include <string_view>

#include "link/LinkObserver.h"

namespace kelvan::link {

class WireTrace final : public LinkObserver {
  public:
    // Writes the heading to out at once; out must outlive the trace. Each line is flushed as it
    // is written, so the trace survives a crash up to its last frame.
    WireTrace(std::ostream& out, LinkTime start);

    // False once a line could not be written; later lines are not attempted.
    bool good() const { return static_cast<bool>(out_); }

    void frameReceived(std::span<const std::uint8_t> payload, ReceivedFrame kind,
                       LinkTime at) override;
    void frameSent(std::span<const std::uint8_t> payload, bool resend, LinkTime at) override;
    void retryLimitReached(std::string_view warning, LinkTime at) override;

  private:
    void writeFrame(LinkTime at, char direction, std::span<const std::uint8_t> payload,
                    std::string_view note);
    void writeLine(LinkTime at, char direction, std::string_view rest);

    std::ostream& out_;
    LinkTime start_;
};

// A wire trace written to a file of its own.
class WireTraceFile {
  public:
    // Creates or empties file. Throws std::system_error naming the file, with the system's
    // reason, when it cannot be opened for writing.
    WireTraceFile(const std::filesystem::path& file, LinkTime start);

    LinkObserver& observer() { return trace_; }
    bool good() const { return trace_.good(); }

  private:
    std::ofstream out_;
    WireTrace trace_;
};

}  // namespace kelvan::link
