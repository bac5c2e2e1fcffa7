// kelvan-load as a process. Its images are compared with those of the real toolchains: images
// are written to HEX by avr-objcopy and srec_cat, the records shuffled and thinned, and the
// result must equal what srec_cat makes of the same file with the gaps filled with FF.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ScratchFolder.h"

namespace kelvan::tools {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

struct ProcessRun {
    int exitCode = -1;
    std::string output;  // standard output
    std::string errors;  // standard error
};

// Runs program (searched on PATH) with arguments, capturing both output streams away from the
// test's folder, whose contents the tests count.
ProcessRun run(std::vector<std::string> arguments) {
    const ScratchFolder captures;
    test::ChildProcess child(std::move(arguments), captures.path());
    const std::optional<int> exitCode = child.wait();
    return ProcessRun{exitCode.value_or(-1), child.output(), child.errors()};
}

ProcessRun load(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), KELVAN_LOAD_PATH);
    return run(std::move(arguments));
}

// Runs a toolchain program that must succeed.
void tool(std::vector<std::string> arguments) {
    const ProcessRun result = run(arguments);
    ASSERT_EQ(result.exitCode, 0) << arguments[0] << ": " << result.errors;
}

std::string path(const ScratchFolder& folder, const std::string& name) {
    return (folder.path() / name).string();
}

enum class Writer { Objcopy, SrecCat, SrecCatSegments, SrecCatLinear };

struct Span {
    std::size_t address;
    std::size_t length;
};

struct Scenario {
    const char* name;
    std::vector<Span> spans;  // in ascending order; Objcopy takes one
    Writer writer;
    bool shuffle;
    unsigned dropEvery;  // drop every n-th data record but the last; 0 keeps them all
};

void PrintTo(const Scenario& testCase, std::ostream* out) {
    *out << testCase.name;
}

const Scenario Scenarios[] = {
    {"ObjcopySmall", {{0, 1000}}, Writer::Objcopy, false, 0},
    // Its text, some 840,000 characters, is far longer than the raw length limit.
    {"ObjcopyAbove64KiBShuffledWithGaps", {{0, 300000}}, Writer::Objcopy, true, 7},
    {"ObjcopyHighImage", {{0x30005, 70000}}, Writer::Objcopy, true, 0},
    {"SrecCatSpansWithGaps",
     {{0, 3000}, {0x8000, 5000}, {0x1FFF0, 40000}},
     Writer::SrecCat,
     true,
     5},
    {"SrecCatSegmentAddresses", {{0x100, 80000}}, Writer::SrecCatSegments, true, 3},
    {"SrecCatLinearUpToTheLimit", {{0x10, 100}, {0x7F000, 4095}}, Writer::SrecCatLinear, true, 0},
};

// Thins and reorders the tools' records: every n-th data record is dropped but the last, which
// holds the highest address as the tools write them in ascending order; each data record keeps
// the address record in force before it (a zero linear base where none was), so that the
// reordered file means the same image.
std::string rearrange(const std::string& text, const Scenario& scenario, std::mt19937& random) {
    std::vector<std::string> data;
    std::string base = ":020000040000FA\n";
    std::string others;
    std::string end;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line += '\n';
        const std::string type = line.substr(7, 2);
        if (type == "02" || type == "04") {
            base = line;
        } else if (type == "00") {
            data.push_back(base + line);
        } else {
            (type == "01" ? end : others) += line;
        }
    }
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (scenario.dropEvery == 0 || i + 1 == data.size() || (i + 1) % scenario.dropEvery != 0) {
            kept.push_back(data[i]);
        }
    }
    if (scenario.shuffle) {
        std::shuffle(kept.begin(), kept.end(), random);
    }
    for (const std::string& record : kept) {
        others += record;
    }
    return others + end;
}

class AgainstToolchains : public ::testing::TestWithParam<Scenario> {};

TEST_P(AgainstToolchains, SameImageAsSrecCat) {
    const Scenario& scenario = GetParam();
    const ScratchFolder folder;
    std::mt19937 random(20261208);
    std::vector<std::string> command{"srec_cat"};
    for (std::size_t i = 0; i < scenario.spans.size(); ++i) {
        std::string bytes(scenario.spans[i].length, '\0');
        for (char& byte : bytes) {
            byte = static_cast<char>(random() & 0xFF);
        }
        const std::string name = "span" + std::to_string(i) + ".bin";
        folder.write(name, bytes);
        command.insert(command.end(), {path(folder, name), "-binary", "-offset",
                                       std::to_string(scenario.spans[i].address)});
    }
    command.insert(command.end(), {"-o", path(folder, "tool.hex"), "-intel"});
    if (scenario.writer == Writer::SrecCatSegments) {
        command.push_back("-address-length=3");
    } else if (scenario.writer == Writer::SrecCatLinear) {
        command.push_back("-address-length=4");
    }
    if (scenario.writer == Writer::Objcopy) {
        command = {"avr-objcopy",
                   "-I",
                   "binary",
                   "-O",
                   "ihex",
                   "--change-addresses",
                   std::to_string(scenario.spans[0].address),
                   path(folder, "span0.bin"),
                   path(folder, "tool.hex")};
    }
    ASSERT_NO_FATAL_FAILURE(tool(command));

    std::string text = folder.read("tool.hex");
    if (scenario.shuffle || scenario.dropEvery != 0) {
        text = rearrange(text, scenario, random);
    }
    folder.write("test.hex", text);
    const Span& top = scenario.spans.back();
    const std::size_t length = top.address + top.length;
    ASSERT_NO_FATAL_FAILURE(
        tool({"srec_cat", path(folder, "test.hex"), "-intel", "-fill", "0xFF", "0",
              std::to_string(length), "-o", path(folder, "tool.bin"), "-binary"}));
    const std::string expected = folder.read("tool.bin");
    ASSERT_EQ(expected.size(), length);

    const ProcessRun loaded = load({path(folder, "test.hex"), path(folder, "kelvan.bin")});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.errors;
    EXPECT_TRUE(folder.read("kelvan.bin") == expected);
}

INSTANTIATE_TEST_SUITE_P(Images, AgainstToolchains, ::testing::ValuesIn(Scenarios),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(KelvanLoad, WritesTheImageByTheFileRules) {
    struct Case {
        std::vector<std::string> options;
        const char* name;
        std::string expected;
    };
    const std::string hex = ":0300000041424300\n:00000001FF\n";
    // The name rules themselves are the loader's tests; here the options must reach them.
    const Case cases[] = {
        {{}, "a.EeP", "ABC"},
        {{"--no-hex"}, "a.hex", hex},
        {{"--no-eep"}, "a.eep", hex},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const ScratchFolder folder;
        folder.write(testCase.name, hex);
        folder.write("out.bin", "old contents, to be replaced");
        std::vector<std::string> arguments = testCase.options;
        arguments.insert(arguments.end(), {path(folder, testCase.name), path(folder, "out.bin")});
        const ProcessRun toFile = load(arguments);
        EXPECT_EQ(toFile.exitCode, 0);
        EXPECT_EQ(toFile.errors, "");
        EXPECT_EQ(folder.read("out.bin"), testCase.expected);

        arguments.back() = "-";
        const ProcessRun toOutput = load(arguments);
        EXPECT_EQ(toOutput.exitCode, 0);
        EXPECT_EQ(toOutput.output, testCase.expected);
        // Nothing is left beside the output but the two files.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 2);
    }
}

TEST(KelvanLoad, FailuresSayWhyAndLeaveTheOutputAlone) {
    struct Case {
        const char* name;
        std::optional<std::string> contents;  // none: the file does not exist
        std::string message;                  // after "kelvan-load: " and the input's path
    };
    const Case cases[] = {
        {"cut.hex", ":0300000041424300\n", ": no end-of-file record\n"},
        {"bad.hex", ":00000005FF\n:03000000414G4300\n:00000001FF\n",
         ": line 2: \"G\" is not a hexadecimal digit\n"},
        {"far.hex", ":020000040008F2\n:0100000011EE\n:00000001FF\n",
         ": the image would hold 524288 bytes or more, not loaded\n"},
        {"long.bin", std::string(524289, 'x'), ": longer than 524288 bytes, ignored\n"},
        {"missing.hex", std::nullopt, ": no such file\n"},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const ScratchFolder folder;
        const std::string input = path(folder, testCase.name);
        if (testCase.contents) {
            folder.write(testCase.name, *testCase.contents);
        }
        folder.write("kept.bin", "old");
        for (const std::string& output :
             {path(folder, "kept.bin"), path(folder, "absent.bin"), std::string("-")}) {
            const ProcessRun result = load({input, output});
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_EQ(result.errors, "kelvan-load: " + input + testCase.message);
            EXPECT_EQ(result.output, "");
        }
        EXPECT_EQ(folder.read("kept.bin"), "old");
        EXPECT_FALSE(fs::exists(folder.path() / "absent.bin"));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}),
                  testCase.contents ? 2 : 1);
    }
}

// OUTPUT naming INPUT, also through a symbolic or a hard link, would replace the file being
// read: refused, and the input stays as it was.
TEST(KelvanLoad, OutputThatIsTheInputIsRefused) {
    const ScratchFolder folder;
    const std::string text = ":0300000041424300\n:00000001FF\n";
    const std::string input = path(folder, "in.hex");
    folder.write("in.hex", text);
    fs::create_symlink(input, folder.path() / "soft.hex");
    fs::create_hard_link(input, folder.path() / "hard.hex");
    for (const char* name : {"in.hex", "soft.hex", "hard.hex"}) {
        SCOPED_TRACE(name);
        const ProcessRun result = load({input, path(folder, name)});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.errors, "kelvan-load: " + path(folder, name) + " is the same file as " +
                                     input + "; nothing was written\n");
        EXPECT_EQ(folder.read("in.hex"), text);
    }
}

TEST(KelvanLoad, UnwritableOutputAndWrongCommandLines) {
    const ScratchFolder folder;
    folder.write("a.bin", "AB");
    fs::create_directory(folder.path() / "folder");
    const ProcessRun result = load({path(folder, "a.bin"), path(folder, "folder")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errors, "kelvan-load: cannot write " + path(folder, "folder") + ": " +
                                 std::generic_category().message(EISDIR) + "\n");
    EXPECT_TRUE(fs::is_empty(folder.path() / "folder"));

    EXPECT_EQ(load({path(folder, "a.bin")}).exitCode, 2);
    EXPECT_EQ(load({"--no-such-option", path(folder, "a.bin"), "-"}).exitCode, 2);
}

}  // namespace
}  // namespace kelvan::tools
