#include "devsim/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvan::devsim {
namespace {

CommandLine parse(std::vector<std::string_view> arguments) {
    return parseCommandLine(arguments);
}

TEST(CommandLine, DefaultsAreAQuietUnpacedDevice) {
    const CommandLine line = parse({});
    EXPECT_EQ(line.options.baud, 0u);
    EXPECT_FALSE(line.options.wrongSignature);
    EXPECT_EQ(line.options.corruptFraction, 0.0);
    EXPECT_FALSE(line.options.silentAfter);
    EXPECT_FALSE(line.options.duplicateReady);
    EXPECT_LE(line.options.readyInterval.count(), 1000);
    EXPECT_TRUE(line.dumpDirectory.empty());
    EXPECT_TRUE(line.options.linkPath.empty());
    EXPECT_FALSE(line.options.unplugAfter);
    EXPECT_FALSE(line.options.replugAfter);
    EXPECT_FALSE(line.exitAfter);
    EXPECT_FALSE(line.help);
}

TEST(CommandLine, ReadsEveryOption) {
    const CommandLine line = parse({"--baud",
                                    "9600",
                                    "--ready-interval",
                                    "250",
                                    "--wrong-signature",
                                    "--bad-cell",
                                    "0x1c4",
                                    "--bad-cell",
                                    "100",
                                    "--corrupt",
                                    "0.25",
                                    "--seed",
                                    "42",
                                    "--silent-after",
                                    "1500",
                                    "--silent-for",
                                    "3000",
                                    "--duplicate-ready",
                                    "--log",
                                    "/tmp/x.log",
                                    "--dump",
                                    "out",
                                    "--link",
                                    "/tmp/kelvan-programmer",
                                    "--unplug-after",
                                    "2",
                                    "--replug-after",
                                    "0.25",
                                    "--exit-after",
                                    "9000",
                                    "--help"});
    EXPECT_EQ(line.options.baud, 9600u);
    EXPECT_EQ(line.options.readyInterval.count(), 250);
    EXPECT_TRUE(line.options.wrongSignature);
    EXPECT_EQ(line.options.badProgramCells, (std::vector<std::uint32_t>{0x1C4, 100}));
    EXPECT_EQ(line.options.corruptFraction, 0.25);
    EXPECT_EQ(line.options.seed, 42u);
    EXPECT_EQ(line.options.silentAfter->count(), 1500);
    EXPECT_EQ(line.options.silentFor.count(), 3000);
    EXPECT_TRUE(line.options.duplicateReady);
    EXPECT_EQ(line.options.logPath, "/tmp/x.log");
    EXPECT_EQ(line.dumpDirectory, "out");
    EXPECT_EQ(line.options.linkPath, "/tmp/kelvan-programmer");
    EXPECT_EQ(line.options.unplugAfter->count(), 2000);
    EXPECT_EQ(line.options.replugAfter->count(), 250);
    EXPECT_EQ(line.exitAfter->count(), 9000);
    EXPECT_TRUE(line.help);
}

TEST(CommandLine, RefusesWhatItCannotUse) {
    for (const std::vector<std::string_view>& bad : std::vector<std::vector<std::string_view>>{
             {"--baud"},
             {"--baud", "fast"},
             {"--baud", "-1"},
             {"--baud", "96x"},
             {"--bad-cell", "0x"},
             {"--bad-cell", "0x1g"},
             {"--bad-cell", "4294967296"},
             {"--corrupt", "1.5"},
             {"--corrupt", "nan"},
             {"--ready-interval", "0"},
             {"--ready-interval", "1001"},
             {"--silent-for", ""},
             {"--link", ""},
             {"--unplug-after", "-1"},
             {"--unplug-after", "nan"},
             {"--replug-after", "1"},  // with nothing to replug after
             {"--frobnicate"},
         }) {
        EXPECT_THROW(parse(bad), std::invalid_argument) << bad[0];
    }
}

TEST(CommandLine, HelpNamesEveryOption) {
    const std::string usage = usageText();
    for (const char* option :
         {"--baud", "--ready-interval", "--wrong-signature", "--bad-cell", "--corrupt", "--seed",
          "--silent-after", "--silent-for", "--duplicate-ready", "--log", "--dump", "--link",
          "--unplug-after", "--replug-after", "--exit-after", "--help"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace kelvan::devsim
