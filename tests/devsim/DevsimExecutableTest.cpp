// Runs the real kelvan-devsim executable and talks to it over the terminal it prints.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DevsimTestSupport.h"
#include "devsim/Catalogue.h"
#include "devsim/Cp1251.h"

extern char** environ;

namespace kelvan::devsim {
namespace {

using testing::Bytes;
using testing::IoTimeout;
using testing::RawHost;
using testing::scratchPath;

// kelvan-devsim as a child process with its standard output on a pipe.
class DevsimProcess {
  public:
    explicit DevsimProcess(std::vector<std::string> arguments) {
        int fds[2];
        if (pipe(fds) != 0) {
            throw std::system_error(errno, std::generic_category(), "pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        arguments.insert(arguments.begin(), KELVAN_DEVSIM_PATH);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int error =
            posix_spawn(&pid_, KELVAN_DEVSIM_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fds[0];
        if (error != 0) {
            close(output_);
            throw std::system_error(error, std::generic_category(), "posix_spawn");
        }
    }
    ~DevsimProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }

    // Standard output up to the first newline (or everything when the process ends first).
    std::string firstLine() {
        std::string line;
        char byte = 0;
        pollfd descriptor{output_, POLLIN, 0};
        while (poll(&descriptor, 1, static_cast<int>(IoTimeout.count())) == 1 &&
               read(output_, &byte, 1) == 1 && byte != '\n') {
            line.push_back(byte);
        }
        return line;
    }

    std::string allOutput() {
        std::string text;
        char block[4096];
        ssize_t count = 0;
        while ((count = read(output_, block, sizeof block)) > 0) {
            text.append(block, static_cast<std::size_t>(count));
        }
        return text;
    }

    void signal(int number) { ASSERT_EQ(kill(pid_, number), 0); }

    // Waits for the process to end; its exit status, or -1 when it did not exit normally.
    int exitStatus() {
        int status = 0;
        const pid_t ended = waitpid(pid_, &status, 0);
        pid_ = 0;
        return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = 0;
    int output_ = -1;
};

TEST(DevsimExecutable, ConversesOverItsTerminalAndDumpsMemoriesOnSigterm) {
    const std::filesystem::path dump = scratchPath("dump");
    DevsimProcess devsim({"--dump", dump.string()});
    const std::string path = devsim.firstLine();
    ASSERT_FALSE(path.empty());
    RawHost host(path);

    const std::string title = utf8ToCp1251(standardCatalogue().title);
    Bytes expectedTitle{254, static_cast<std::uint8_t>(title.size())};
    expectedTitle.insert(expectedTitle.end(), title.begin(), title.end());
    EXPECT_EQ(host.request(Bytes{254}), expectedTitle);
    EXPECT_EQ(host.request(Bytes{251}), (Bytes{251, 3}));
    EXPECT_EQ(host.request(Bytes{249, 2}), Bytes{249});
    const Bytes chunkWrite{10, 0x00, 0x10, 0, 0, 4, 0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_EQ(host.request(chunkWrite), Bytes{10});
    Bytes verify = chunkWrite;
    verify[0] = 11;
    EXPECT_EQ(host.request(verify), (Bytes{11, 0x00, 0x10, 0, 0, 4, 1}));

    devsim.signal(SIGTERM);
    ASSERT_EQ(devsim.exitStatus(), 0);
    std::ifstream program(dump / "chip2-program.bin", std::ios::binary);
    const Bytes image{std::istreambuf_iterator<char>(program), {}};
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(Bytes(image.begin() + 0x1000, image.begin() + 0x1004),
              (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(std::filesystem::file_size(dump / "chip0-eeprom.bin"), 0u);
    EXPECT_EQ(std::filesystem::file_size(dump / "chip1-eeprom.bin"), 512u);
    std::filesystem::remove_all(dump);
}

TEST(DevsimExecutable, WrongSignatureOptionGivesVerdictZero) {
    DevsimProcess devsim({"--wrong-signature", "--exit-after", "60000"});
    RawHost host(devsim.firstLine());
    EXPECT_EQ(host.request(Bytes{249, 0}), Bytes{249});
    const std::optional<Bytes> signature = host.request(Bytes{0});
    ASSERT_TRUE(signature);
    EXPECT_EQ(signature->back(), 0);
    devsim.signal(SIGINT);
    EXPECT_EQ(devsim.exitStatus(), 0);
}

TEST(DevsimExecutable, ExitAfterEndsTheRunOnItsOwn) {
    DevsimProcess devsim({"--exit-after", "100"});
    EXPECT_FALSE(devsim.firstLine().empty());
    EXPECT_EQ(devsim.exitStatus(), 0);
}

TEST(DevsimExecutable, AnErrorWhileRunningEndsTheProcessWithFailure) {
    DevsimProcess devsim({"--log", "/dev/full"});  // every log write fails
    devsim.firstLine();
    EXPECT_EQ(devsim.exitStatus(), 1);
}

TEST(DevsimExecutable, HelpSucceedsAndBadOptionsFail) {
    DevsimProcess help({"--help"});
    EXPECT_NE(help.allOutput().find("--duplicate-ready"), std::string::npos);
    EXPECT_EQ(help.exitStatus(), 0);
    DevsimProcess bad({"--corrupt", "2"});
    EXPECT_EQ(bad.exitStatus(), 2);
    EXPECT_EQ(bad.allOutput(), "");
}

}  // namespace
}  // namespace kelvan::devsim
