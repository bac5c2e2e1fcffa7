#include "CliSession.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <span>
#include <utility>

#include "InterruptWatch.h"
#include "common/LoadFailure.h"
#include "image/OutputFile.h"
#include "link/Commands.h"
#include "operations/ChipSelection.h"

namespace kelvan::cli {
namespace {

using namespace std::chrono_literals;

constexpr auto InterruptPollInterval = 50ms;

std::string bitState(const BitLine& bit) {
    if (!bit.set) {
        return "?";
    }
    return *bit.set ? "1" : "0";
}

}  // namespace

CliSession::CliSession(const CommandLine& commandLine, const RunSettings& settings,
                       Console& console, link::LinkObserver* trace)
    : commandLine_(commandLine), settings_(settings), console_(console), watch_(*this, trace) {
    link_.setObserver(&watch_);
    session_.attachOperations(options_, screen_);
    session_.afterLinkEvent = [this] { advance(); };
    connectTimeout_.setSingleShot(true);
    connectTimeout_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&connectTimeout_, &QTimer::timeout, &connectTimeout_, [this] {
        if (phase_ != Phase::Connecting) {
            return;
        }
        if (session_.portDown()) {
            console_.error(portFailure_);
            finish(2);
            return;
        }
        console_.errorText(link::DisconnectedCaption);
        finish(1);
    });
    // With --wait, a port that is missing or vanishes while the programmer is awaited is tried
    // again every second until the deadline.
    session_.setReopening(commandLine_.waitSeconds.has_value());
    session_.portStateChanged = [this](const QString& failure) {
        if (!failure.isEmpty()) {
            portFailure_ = failure.toStdString();
        }
    };
    interruptPoll_.setInterval(InterruptPollInterval);
    QObject::connect(&interruptPoll_, &QTimer::timeout, &interruptPoll_, [this] {
        if (const int signal = InterruptWatch::caught(); signal != 0) {
            interrupt(signal);
        }
    });

    screen_.confirmSizeWarning = commandLine_.truncate;
    screen_.loadWorkingFile = [this] {
        image::LoadResult result = image::loadWorkingFile(utf8Path(commandLine_.file),
                                                          operations::loadOptionsFrom(options_));
        buffer_.clear();
        if (result.outcome == image::LoadOutcome::Loaded) {
            buffer_.replace(std::move(result.image));
        } else {
            reloadFailure_ = tools::loadFailure(result, commandLine_.file);
        }
        return result.outcome;
    };
}

void CliSession::LinkWatch::frameReceived(std::span<const std::uint8_t> payload,
                                          link::ReceivedFrame kind, link::LinkTime at) {
    if (trace_ != nullptr) {
        trace_->frameReceived(payload, kind, at);
    }
    if (kind == link::ReceivedFrame::Answer && session_.link_.queueLength() == 0) {
        session_.advance();
    }
}

void CliSession::LinkWatch::frameSent(std::span<const std::uint8_t> payload, bool resend,
                                      link::LinkTime at) {
    if (trace_ != nullptr) {
        trace_->frameSent(payload, resend, at);
    }
}

void CliSession::LinkWatch::retryLimitReached(std::string_view warning, link::LinkTime at) {
    if (trace_ != nullptr) {
        trace_->retryLimitReached(warning, at);
    }
}

CliSession::~CliSession() {
    session_.dropLines();
}

std::optional<int> CliSession::start() {
    if (commandLine_.action->argument == ArgumentKind::InputFile && !loadInput()) {
        return 2;
    }
    session_.watchdogTimer().start();
    session_.configurePort({settings_.port, settings_.bitrate, settings_.parity});
    if (const QString failure = session_.openPort();
        !failure.isEmpty() && !commandLine_.waitSeconds) {
        console_.error(failure.toStdString());
        return 2;
    }
    session_.startConversation();
    const double connectSeconds = commandLine_.waitSeconds.value_or(commandLine_.timeoutSeconds);
    connectTimeout_.start(
        std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(connectSeconds * 1000))));
    interruptPoll_.start();
    return std::nullopt;
}

// The pick-up of the working file, before anything is said to the programmer.
bool CliSession::loadInput() {
    if (screen_.loadWorkingFile() == image::LoadOutcome::Loaded) {
        return true;
    }
    console_.error(reloadFailure_);
    return false;
}

void CliSession::advance() {
    if (phase_ == Phase::Done) {
        return;
    }
    const bool gaveUp = screen_.retryWarnings() > 0;
    const bool lost =
        phase_ != Phase::Connecting && screen_.disconnections() > disconnectionsWhenFound_;
    if (phase_ == Phase::Stopping) {
        if (gaveUp || lost || link_.queueLength() == 0) {
            interruptDone();
        }
        return;
    }
    if (session_.portDown() && !(phase_ == Phase::Connecting && commandLine_.waitSeconds)) {
        console_.error(settings_.port + ": the port vanished; the device was unplugged or reset");
        if (!screen_.interruption().empty()) {
            console_.errorText(screen_.interruption());
        }
        fail();
        return;
    }
    if (gaveUp) {
        fail();  // the warning is printed already
        return;
    }
    if (lost) {
        const std::string& interruption = screen_.interruption();
        console_.errorText(interruption.empty() ? link::DisconnectedCaption
                                                : std::string_view(interruption));
        fail();
        return;
    }
    if (link_.queueLength() != 0) {
        return;
    }
    switch (phase_) {
        case Phase::Connecting:
            if (screen_.connected()) {
                programmerFound();
            }
            break;
        case Phase::ChoosingChip:
            chipChosen();
            break;
        case Phase::ReadingBits:
            printProgrammer();
            printChip();
            finish(0);
            break;
        case Phase::Running:
            actionDone();
            break;
        case Phase::Stopping:
        case Phase::Done:
            break;
    }
}

// The title and every about line and chip name have arrived.
void CliSession::programmerFound() {
    connectTimeout_.stop();
    disconnectionsWhenFound_ = screen_.disconnections();
    if (!commandLine_.chip) {
        printProgrammer();
        finish(0);
        return;
    }
    const std::optional<int> chip = chipIndex();
    if (!chip) {
        console_.error("the programmer lists no chip " + *commandLine_.chip + "; it lists:");
        for (std::size_t index = 0; index < screen_.chips().size(); ++index) {
            console_.errorText("  " + std::to_string(index) + "  " + screen_.chips()[index]);
        }
        finish(2);
        return;
    }
    chip_ = *chip;
    phase_ = Phase::ChoosingChip;
    session_.chooseChip(chip_);
}

// The command list, sizes and bit captions of the chip have arrived.
void CliSession::chipChosen() {
    const Action& action = *commandLine_.action;
    if (!action.code) {
        phase_ = Phase::ReadingBits;
        for (const std::uint8_t code : {link::byteOf(link::CommandCode::ReadFuseBits),
                                        link::byteOf(link::CommandCode::ReadLockBits)}) {
            if (const std::optional<int> line = link_.lineOfCommand(code)) {
                session_.chooseCommand(chip_, *line);
            }
        }
        advance();
        return;
    }
    const std::optional<int> line = link_.lineOfCommand(*action.code);
    if (!line) {
        console_.error(screen_.chips()[static_cast<std::size_t>(chip_)] + " does not offer " +
                       std::string(action.name) + " (command " + std::to_string(*action.code) +
                       "); it offers:");
        listOfferedCommands();
        finish(2);
        return;
    }
    if (checkBitArguments()) {
        runAction(*line);
    }
}

// Queues the action as choosing its line would, and what the bit dialog's "Записать" queues.
void CliSession::runAction(int line) {
    clearsAtAction_ = link_.queueClearCount();
    answeredAtAction_ = link_.queue().headId();
    errorColoursAtAction_ = screen_.errorColours();
    screen_.showQueueProgress = true;
    session_.chooseCommand(chip_, line);

    const ArgumentKind argument = commandLine_.action->argument;
    if (argument == ArgumentKind::FuseBits || argument == ArgumentKind::LockIndices) {
        const link::BitKind dialog =
            argument == ArgumentKind::FuseBits ? link::BitKind::Fuse : link::BitKind::Lock;
        const auto& locks = commandLine_.lockBits;
        std::vector<bool> states(screen_.bits(dialog).size());
        for (std::size_t index = 0; index < states.size(); ++index) {
            states[index] = dialog == link::BitKind::Fuse
                                ? commandLine_.fuseBits[index]
                                : std::binary_search(locks.begin(), locks.end(), index);
        }
        session_.writeBits(dialog, states);
    }

    // Nothing queued has gone out yet: the event loop has not run since.
    if (!reloadFailure_.empty()) {
        link_.clearQueue();
        console_.error(reloadFailure_);
        finish(2);
        return;
    }
    if (screen_.sizeWarningRefused()) {
        link_.clearQueue();
        console_.error(std::string(operations::SizeWarningText) + " " + commandLine_.file +
                       " holds " + std::to_string(buffer_.size()) +
                       " bytes; --truncate writes what fits");
        finish(2);
        return;
    }
    actionCommands_ = link_.queueLength();
    phase_ = Phase::Running;
    advance();
}

void CliSession::actionDone() {
    const bool flagged = screen_.errorColours() != errorColoursAtAction_ ||
                         link_.queueClearCount() != clearsAtAction_;
    const ArgumentKind argument = commandLine_.action->argument;
    if (flagged) {
        fail();
        return;
    }
    if (argument == ArgumentKind::OutputFile) {
        if (const std::error_code error =
                image::writeImageFile(utf8Path(commandLine_.file), buffer_.bytes(),
                                      operations::loadOptionsFrom(options_))) {
            console_.error("cannot write " + commandLine_.file + ": " + error.message());
            finish(2);
            return;
        }
        console_.result(std::to_string(buffer_.size()) + " bytes read into " + commandLine_.file);
    }
    const std::uint8_t code = *commandLine_.action->code;
    if (code == link::byteOf(link::CommandCode::ReadFuseBits)) {
        printBits(link::BitKind::Fuse, true);
    } else if (code == link::byteOf(link::CommandCode::ReadLockBits)) {
        printBits(link::BitKind::Lock, true);
    }
    finish(0);
}

// Nothing more is sent: only a command already on its way may still finish.
void CliSession::interrupt(int signal) {
    if (phase_ == Phase::Stopping || phase_ == Phase::Done) {
        return;
    }
    interruptPoll_.stop();
    connectTimeout_.stop();
    signal_ = signal;
    interruptedIn_ = phase_;
    answeredAtInterrupt_ = link_.queue().headId();
    inFlightAtInterrupt_ = link_.stopAfterCommandInFlight();
    clearsAfterStop_ = link_.queueClearCount();
    phase_ = Phase::Stopping;
    advance();
}

// Says what was done, then ends as a program ended by the signal would.
void CliSession::interruptDone() {
    const std::string name(commandLine_.action->name);
    if (!commandLine_.action->code) {
        console_.error("interrupted");
        finish(128 + signal_);
        return;
    }
    if (interruptedIn_ != Phase::Running) {
        console_.error("interrupted before " + name + " began; nothing was done to the chip");
        finish(128 + signal_);
        return;
    }
    // Every command removed before the interrupt was answered: a clear would have ended the
    // run. The one in flight was answered when no clear came after the stop.
    const bool inFlightAnswered = inFlightAtInterrupt_ && link_.queueLength() == 0 &&
                                  link_.queueClearCount() == clearsAfterStop_;
    const auto answered = answeredAtInterrupt_ - answeredAtAction_ + (inFlightAnswered ? 1u : 0u);
    std::string text = "interrupted: " + std::to_string(answered) + " of " +
                       std::to_string(actionCommands_) + " commands of " + name +
                       " were carried out and the rest was not sent";
    if (inFlightAtInterrupt_ && !inFlightAnswered) {
        text += "; the last one sent got no answer";
    }
    if (commandLine_.action->argument == ArgumentKind::OutputFile) {
        text += "; " + commandLine_.file + " was not written";
    }
    console_.error(text);
    finish(128 + signal_);
}

// The programmer flagged a failure, gave no answer or went away: exit status 1.
void CliSession::fail() {
    if (phase_ == Phase::Running && commandLine_.action->argument == ArgumentKind::OutputFile) {
        console_.error("the read did not complete; " + commandLine_.file + " was not written");
    }
    finish(1);
}

void CliSession::finish(int status) {
    phase_ = Phase::Done;
    connectTimeout_.stop();
    interruptPoll_.stop();
    session_.watchdogTimer().stop();
    screen_.closeProgress();
    QCoreApplication::exit(status);
}

// CHIP as a name exactly as listed, or else as an index into the list.
std::optional<int> CliSession::chipIndex() const {
    const std::vector<std::string>& chips = screen_.chips();
    const std::string& wanted = *commandLine_.chip;
    if (const auto named = std::find(chips.begin(), chips.end(), wanted); named != chips.end()) {
        return static_cast<int>(named - chips.begin());
    }
    if (wanted.empty() || wanted.size() > 3 ||
        wanted.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int index = std::stoi(wanted);
    if (index >= static_cast<int>(chips.size())) {
        return std::nullopt;
    }
    return index;
}

// BITS must name every fuse bit, INDICES only lock bits the chip has.
bool CliSession::checkBitArguments() {
    const ArgumentKind argument = commandLine_.action->argument;
    const std::string& chip = screen_.chips()[static_cast<std::size_t>(chip_)];
    if (argument == ArgumentKind::FuseBits) {
        const std::size_t count = screen_.bits(link::BitKind::Fuse).size();
        if (commandLine_.fuseBits.size() != count) {
            console_.error("write-fuses: BITS has " + std::to_string(commandLine_.fuseBits.size()) +
                           " bits, " + chip + " has " + std::to_string(count) + " fuse bits");
            printBits(link::BitKind::Fuse, false);
            finish(2);
            return false;
        }
    } else if (argument == ArgumentKind::LockIndices) {
        const std::size_t count = screen_.bits(link::BitKind::Lock).size();
        if (!commandLine_.lockBits.empty() && commandLine_.lockBits.back() >= count) {
            console_.error("write-locks: " + chip + " has " + std::to_string(count) +
                           " lock bits, numbered from 0");
            printBits(link::BitKind::Lock, false);
            finish(2);
            return false;
        }
    }
    return true;
}

void CliSession::printProgrammer() {
    console_.result("title: " + screen_.title());
    for (const std::string& line : screen_.aboutLines()) {
        console_.result("about: " + line);
    }
    for (std::size_t index = 0; index < screen_.chips().size(); ++index) {
        console_.result("chip " + std::to_string(index) + ": " + screen_.chips()[index]);
    }
}

void CliSession::printChip() {
    console_.result("selected chip " + std::to_string(chip_) + ": " +
                    screen_.chips()[static_cast<std::size_t>(chip_)]);
    console_.result("program memory: " + std::to_string(link_.programMemorySize()) + " bytes");
    console_.result("eeprom: " + std::to_string(link_.eepromSize()) + " bytes");
    for (int line = 0; line < link_.commandCount(); ++line) {
        const std::uint8_t code = *session_.access().commandOfLine(line);
        console_.result("command " + std::to_string(code) + ": " +
                        std::string(link::CommandNameTable[code]));
    }
    printBits(link::BitKind::Fuse, false);
    printBits(link::BitKind::Lock, false);
}

// One line per bit (index, state or "?" when unread, caption); with summary, also the states in
// the form write-fuses and write-locks take them.
void CliSession::printBits(link::BitKind dialog, bool summary) {
    const bool fuse = dialog == link::BitKind::Fuse;
    const std::vector<BitLine>& bits = screen_.bits(dialog);
    std::string states;
    for (std::size_t index = 0; index < bits.size(); ++index) {
        console_.result(std::string(fuse ? "fuse" : "lock") + " bit " + std::to_string(index) +
                        ": " + bitState(bits[index]) + " " + bits[index].caption);
        if (fuse) {
            states += bitState(bits[index]);
        } else if (bits[index].set.value_or(false)) {
            states += (states.empty() ? "" : ",") + std::to_string(index);
        }
    }
    if (summary) {
        console_.result(fuse ? "fuse bits: " + states
                             : "lock bits: " + (states.empty() ? std::string("none") : states));
    }
}

void CliSession::listOfferedCommands() {
    for (int line = 0; line < link_.commandCount(); ++line) {
        const std::uint8_t code = *session_.access().commandOfLine(line);
        console_.errorText("  " + std::to_string(code) + "  " +
                           std::string(link::CommandNameTable[code]));
    }
}

}  // namespace kelvan::cli
