#include "session/ProgrammerSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "ScratchFolder.h"
#include "devsim/PseudoTerminal.h"
#include "link/Commands.h"
#include "link/StandInPorts.h"
#include "serial/LineSettings.h"

namespace kelvan::session {
namespace {

using link::BitKind;
using link::Bytes;

struct Screen : link::NullLinkView {
    std::string caption;
    std::string status;
    void setDisconnectedCaption(std::string_view utf8) override { caption = std::string(utf8); }
    void setStatusText(std::string_view utf8) override { status = std::string(utf8); }
};

// Runs the event loop until `done` holds or `limit` passes; whether it held.
bool waitFor(const std::function<bool()>& done, int limitMs = 5000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return done();
}

TEST(ProgrammerSession, BitWritesQueueWhatTheProgrammerExpects) {
    struct Case {
        BitKind kind;
        std::vector<bool> states;
        std::vector<Bytes> queued;
    };
    const Case cases[] = {
        // Every fuse bit goes out with its state.
        {BitKind::Fuse, {false, true, false, true}, {{4, 0, 0}, {4, 1, 1}, {4, 2, 0}, {4, 3, 1}}},
        // Command 6 only sets a lock bit: clear ones are not sent.
        {BitKind::Lock, {true, false, true, false}, {{6, 0}, {6, 2}}},
        {BitKind::Lock, {false, false}, {}},
        {BitKind::Fuse, {}, {}},
    };
    for (const Case& c : cases) {
        Screen screen;
        ProgrammerSession session(screen);
        session.writeBits(c.kind, c.states);
        EXPECT_EQ(session.link().queue().payloads(), c.queued);
    }
}

TEST(ProgrammerSession, PortSettingsReachTheComponentAndNoneLeavesTheParity) {
    struct Case {
        int ninthBit;
        serial::TParity parity;
    };
    // The ninth-bit list pairs "Чет" with odd parity and "1" with mark parity.
    for (const Case c : {Case{-1, serial::TParity::pSpace}, Case{1, serial::TParity::pOdd},
                         Case{4, serial::TParity::pMark}, Case{7, serial::TParity::pSpace}}) {
        Screen screen;
        ProgrammerSession session(screen);
        session.comm().setParity(serial::TParity::pSpace);
        session.configurePort({"/dev/ttyS9", 19200, c.ninthBit});
        EXPECT_EQ(session.comm().CommPort(), "/dev/ttyS9");
        EXPECT_EQ(session.comm().BaudRate(), 19200u);
        EXPECT_EQ(session.comm().Parity(), c.parity) << c.ninthBit;
        EXPECT_EQ(session.comm().FlowControl(), serial::TFlowControl::fcNone);
    }
}

TEST(ProgrammerSession, APortThatCannotOpenReturnsTheComponentsText) {
    Screen screen;
    ProgrammerSession session(screen);
    session.configurePort({"/nonexistent/kelvan-port", 56000, -1});
    EXPECT_TRUE(session.openPort().startsWith("Невозможно открыть порт!"));
    EXPECT_FALSE(session.comm().isOpen());
}

TEST(ProgrammerSession, TheWatchdogsExpiryReachesTheLinkAndTheOwner) {
    Screen screen;
    ProgrammerSession session(screen);
    int events = 0;
    session.afterLinkEvent = [&] {
        ++events;
        session.watchdogTimer().stop();
    };
    session.startConversation();
    EXPECT_EQ(session.link().queue().payloads(), (std::vector<Bytes>{{255}, {254}}));
    session.watchdogTimer().start(5);
    EXPECT_TRUE(waitFor([&] { return events > 0; }));
    EXPECT_EQ(events, 1);
    EXPECT_EQ(screen.caption, "Программатор не подключен");
}

// A device name that is a link to the pseudo-terminal, as /dev/serial/by-id names are: the
// first terminal goes away, the link is pointed at a second one.
TEST(ProgrammerSession, APortThatHungUpIsReopenedAndTheConversationStartsOver) {
    test::ScratchFolder folder;
    const std::filesystem::path name = folder.path() / "programmer";
    auto first = std::make_unique<devsim::PseudoTerminal>();
    std::filesystem::create_symlink(first->slavePath(), name);

    Screen screen;
    ProgrammerSession session(screen);
    session.setReopening(true);
    std::vector<QString> states;
    session.portStateChanged = [&](const QString& failure) { states.push_back(failure); };
    session.configurePort({name.string(), 56000, -1});
    ASSERT_EQ(session.openPort(), QString());
    session.startConversation();

    first->closeMaster();
    ASSERT_TRUE(waitFor([&] { return session.portDown(); }));
    EXPECT_FALSE(session.comm().isOpen());
    EXPECT_EQ(screen.caption, "Программатор не подключен");
    first.reset();
    std::filesystem::remove(name);
    ASSERT_TRUE(waitFor([&] { return !states.empty(); }));
    EXPECT_TRUE(states.front().startsWith("Невозможно открыть порт!"));

    // New values saved while the port is down are the next attempt's.
    devsim::PseudoTerminal second;
    std::filesystem::create_symlink(second.slavePath(), name);
    EXPECT_FALSE(session.portSettingsSaved({name.string(), 19200, -1}));
    ASSERT_TRUE(waitFor([&] { return !session.portDown(); }));
    EXPECT_EQ(states.back(), QString());
    EXPECT_EQ(session.comm().BaudRate(), 19200u);
    EXPECT_EQ(session.link().queue().payloads(), (std::vector<Bytes>{{255}, {254}}));
    // While the port works, saving asks only when something differs.
    EXPECT_FALSE(session.portSettingsSaved({name.string(), 19200, -1}));
    EXPECT_TRUE(session.portSettingsSaved({name.string(), 19200, 1}));
}

// Reconnecting with new settings leaves the programmer on the old port behind: a write queued
// for it is cut short there, and says so, as when that port hangs up.
TEST(ProgrammerSession, ReconnectingMidOperationReportsItInterrupted) {
    devsim::PseudoTerminal first;
    devsim::PseudoTerminal second;
    Screen screen;
    ProgrammerSession session(screen);
    session.configurePort({first.slavePath(), 56000, -1});
    ASSERT_EQ(session.openPort(), QString());
    const std::uint8_t chunk[] = {1, 2, 3};
    session.link().enqueue(link::commands::writeProgramMemory(0, chunk));

    session.reconnect({second.slavePath(), 56000, -1});
    EXPECT_EQ(session.comm().CommPort(), second.slavePath());
    EXPECT_FALSE(session.portDown());
    EXPECT_EQ(screen.caption, "Программатор не подключен");
    EXPECT_EQ(screen.status, "Операция прервана: программатор не отвечает. Микросхема может быть "
                             "записана или стёрта не полностью.");
    EXPECT_EQ(session.link().queue().payloads(), (std::vector<Bytes>{{255}, {254}}));
}

}  // namespace
}  // namespace kelvan::session
