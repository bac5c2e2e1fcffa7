#pragma once

// One run of kelvan-cli: a small state machine on the event loop around the program's own link,
// serial component and operation sequences. It waits for the programmer (title and chip list),
// chooses the chip as the chip list would and waits for its replies, runs the action as
// choosing its line in the command list would, and waits for the queue to empty, the error
// colour, the retry warning or the lost programmer.

#include <QTimer>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "CommandLine.h"
#include "Console.h"
#include "ProgrammerScreen.h"
#include "RunSettings.h"
#include "link/LinkObserver.h"
#include "session/ProgrammerSession.h"

namespace kelvan::cli {

class CliSession {
  public:
    // trace, when given, watches every frame of the run.
    CliSession(const CommandLine& commandLine, const RunSettings& settings, Console& console,
               link::LinkObserver* trace);
    // Drops RTS and DTR, as the window does when it closes; the port closes with the component.
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Loads IN, opens the port, queues the start-up requests and starts the timers. Returns
    // the exit status when the run ends before the event loop is needed; otherwise the loop's
    // exit status is the run's.
    std::optional<int> start();

  private:
    enum class Phase { Connecting, ChoosingChip, ReadingBits, Running, Stopping, Done };

    // Passes every frame on to the trace, and moves the run on as soon as the last answer of a
    // stage is in: the ready the programmer sends right behind it then already carries the
    // next stage's first command, instead of the run waiting for an idle ready.
    class LinkWatch : public link::LinkObserver {
      public:
        LinkWatch(CliSession& session, link::LinkObserver* trace)
            : session_(session), trace_(trace) {}
        void frameReceived(std::span<const std::uint8_t> payload, link::ReceivedFrame kind,
                           link::LinkTime at) override;
        void frameSent(std::span<const std::uint8_t> payload, bool resend,
                       link::LinkTime at) override;
        void retryLimitReached(std::string_view warning, link::LinkTime at) override;

      private:
        CliSession& session_;
        link::LinkObserver* trace_;
    };

    bool loadInput();
    // Moves the run on after anything the link may have changed.
    void advance();
    void programmerFound();
    void chipChosen();
    void runAction(int line);
    void actionDone();
    void interrupt(int signal);
    void interruptDone();
    void fail();
    void finish(int status);

    std::optional<int> chipIndex() const;
    bool checkBitArguments();
    void printProgrammer();
    void printChip();
    void printBits(link::BitKind dialog, bool summary);
    void listOfferedCommands();

    const CommandLine& commandLine_;
    const RunSettings& settings_;
    Console& console_;
    RunOptions options_{settings_};
    ProgrammerScreen screen_{console_};
    session::ProgrammerSession session_{screen_};  // the window's stack, on this screen
    ProgramBuffer& buffer_ = session_.buffer();
    link::ProgrammerLink& link_ = session_.link();
    LinkWatch watch_;
    QTimer connectTimeout_;
    QTimer interruptPoll_;

    Phase phase_ = Phase::Connecting;
    int chip_ = -1;
    std::string reloadFailure_;
    std::string portFailure_;  // why the port last failed to open
    int disconnectionsWhenFound_ = 0;
    // Taken when the action is queued: how far the queue and the status had come.
    std::uint64_t clearsAtAction_ = 0;
    link::CommandQueue::EntryId answeredAtAction_ = 0;
    int errorColoursAtAction_ = 0;
    std::size_t actionCommands_ = 0;
    // Taken at an interrupt.
    Phase interruptedIn_ = Phase::Connecting;
    int signal_ = 0;
    link::CommandQueue::EntryId answeredAtInterrupt_ = 0;
    bool inFlightAtInterrupt_ = false;
    std::uint64_t clearsAfterStop_ = 0;
};

}  // namespace kelvan::cli
