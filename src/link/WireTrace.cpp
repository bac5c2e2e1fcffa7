#include "link/WireTrace.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>

#include "link/HexBytes.h"

namespace kelvan::link {

WireTrace::WireTrace(std::ostream& out, LinkTime start) : out_(out), start_(start) {
    out_ << "# ms since start, > to the programmer / < from it / ! event, command code, payload "
            "in hexadecimal\n";
    out_.flush();
}

void WireTrace::frameReceived(std::span<const std::uint8_t> payload, ReceivedFrame kind,
                              LinkTime at) {
    switch (kind) {
        case ReceivedFrame::Ready:
            writeLine(at, '<', "ready");
            break;
        case ReceivedFrame::StaleReady:
            writeLine(at, '<', "ready (stale)");
            break;
        case ReceivedFrame::CrossingReady:
            writeLine(at, '<', "ready (crossing)");
            break;
        case ReceivedFrame::Answer:
            writeFrame(at, '<', payload, {});
            break;
        case ReceivedFrame::Unmatched:
            writeFrame(at, '<', payload, " (unmatched)");
            break;
    }
}

void WireTrace::frameSent(std::span<const std::uint8_t> payload, bool resend, LinkTime at) {
    writeFrame(at, '>', payload, resend ? " (resend)" : "");
}

// The warning's two lines become one: each run of line-break characters turns into a space.
void WireTrace::retryLimitReached(std::string_view warning, LinkTime at) {
    std::string text = "retry limit: ";
    for (const char character : warning) {
        if (static_cast<unsigned char>(character) >= 0x20) {
            text += character;
        } else if (!text.ends_with(' ')) {
            text += ' ';
        }
    }
    writeLine(at, '!', text);
}

void WireTrace::writeFrame(LinkTime at, char direction, std::span<const std::uint8_t> payload,
                           std::string_view note) {
    std::string text = payload.empty() ? std::string("-") : std::to_string(payload[0]);
    appendSpacedHex(text, payload);
    text += note;
    writeLine(at, direction, text);
}

void WireTrace::writeLine(LinkTime at, char direction, std::string_view rest) {
    if (!out_) {
        return;
    }
    const double milliseconds = std::chrono::duration<double, std::milli>(at - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f %c ", milliseconds, direction);
    out_ << stamp << rest << '\n';
    out_.flush();
}

namespace {

// Opens file for the trace, throwing what went wrong.
std::ofstream openTraceFile(const std::filesystem::path& file) {
    errno = 0;
    std::ofstream out(file, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out) {
        // The stream keeps no reason of its own; the failed open leaves the system's in errno.
        throw std::system_error(errno != 0 ? errno : EIO, std::generic_category(),
                                "cannot write the trace " + file.string());
    }
    return out;
}

}  // namespace

WireTraceFile::WireTraceFile(const std::filesystem::path& file, LinkTime start)
    : out_(openTraceFile(file)), trace_(out_, start) {}

}  // namespace kelvan::link
