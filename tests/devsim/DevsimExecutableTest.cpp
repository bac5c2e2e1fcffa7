// Runs the real kelvan-devsim executable and talks to it over the terminal it prints.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DevsimTestSupport.h"
#include "ScratchFolder.h"
#include "devsim/Catalogue.h"
#include "devsim/Cp1251.h"

namespace kelvan::devsim {
namespace {

using kelvan::test::ChildProcess;
using kelvan::test::ScratchFolder;
using testing::Bytes;
using testing::RawHost;

class DevsimExecutable : public ::testing::Test {
  protected:
    // kelvan-devsim with arguments, its output and errors kept in the test's folder.
    std::unique_ptr<ChildProcess> start(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), KELVAN_DEVSIM_PATH);
        return std::make_unique<ChildProcess>(std::move(arguments), folder.path(),
                                              "run" + std::to_string(++runs_));
    }

    ScratchFolder folder;

  private:
    int runs_ = 0;
};

TEST_F(DevsimExecutable, ConversesOverItsTerminalAndDumpsMemoriesOnSigterm) {
    const std::filesystem::path dump = folder.path() / "dump";
    const auto devsim = start({"--dump", dump.string()});
    const std::string path = devsim->firstOutputLine();
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

    devsim->signal(SIGTERM);
    ASSERT_EQ(devsim->wait(), 0);
    std::ifstream program(dump / "chip2-program.bin", std::ios::binary);
    const Bytes image{std::istreambuf_iterator<char>(program), {}};
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(Bytes(image.begin() + 0x1000, image.begin() + 0x1004),
              (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(std::filesystem::file_size(dump / "chip0-eeprom.bin"), 0u);
    EXPECT_EQ(std::filesystem::file_size(dump / "chip1-eeprom.bin"), 512u);
}

TEST_F(DevsimExecutable, WrongSignatureOptionGivesVerdictZero) {
    const auto devsim = start({"--wrong-signature", "--exit-after", "60000"});
    RawHost host(devsim->firstOutputLine());
    EXPECT_EQ(host.request(Bytes{249, 0}), Bytes{249});
    const std::optional<Bytes> signature = host.request(Bytes{0});
    ASSERT_TRUE(signature);
    EXPECT_EQ(signature->back(), 0);
    devsim->signal(SIGINT);
    EXPECT_EQ(devsim->wait(), 0);
}

TEST_F(DevsimExecutable, ExitAfterEndsTheRunOnItsOwn) {
    const auto devsim = start({"--exit-after", "100"});
    EXPECT_FALSE(devsim->firstOutputLine().empty());
    EXPECT_EQ(devsim->wait(), 0);
}

TEST_F(DevsimExecutable, AnErrorWhileRunningEndsTheProcessWithFailure) {
    const auto devsim = start({"--log", "/dev/full"});  // every log write fails
    EXPECT_EQ(devsim->wait(), 1);
}

TEST_F(DevsimExecutable, HelpSucceedsAndBadOptionsFail) {
    const auto help = start({"--help"});
    EXPECT_EQ(help->wait(), 0);
    EXPECT_NE(help->output().find("--duplicate-ready"), std::string::npos);
    const auto bad = start({"--corrupt", "2"});
    EXPECT_EQ(bad->wait(), 2);
    EXPECT_EQ(bad->output(), "");
}

}  // namespace
}  // namespace kelvan::devsim
