#include "image/ImageLoader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "ScratchFolder.h"

namespace kelvan::image {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ScratchFolder;

const std::string FourByteHex = ":0400000001020304F2\r\n:00000001FF\r\n";
const Bytes FourBytes{1, 2, 3, 4};

enum class Rules { WorkingFile, Button };

LoadResult loadBy(Rules rules, const fs::path& file, bool hexFiles, bool eepFiles) {
    return rules == Rules::WorkingFile ? loadWorkingFile(file, LoadOptions{hexFiles, eepFiles})
                                       : loadWithButtonRules(file, hexFiles);
}

struct NameCase {
    const char* name;
    const char* fileName;
    Rules rules;
    bool hexFiles;
    bool eepFiles;
    bool readAsHex;  // otherwise the text's own bytes are the image
};

void PrintTo(const NameCase& testCase, std::ostream* out) {
    *out << testCase.name;
}

const NameCase NameCases[] = {
    {"HexLowerCase", "a.hex", Rules::WorkingFile, true, true, true},
    {"HexMixedCase", "a.HeX", Rules::WorkingFile, true, true, true},
    {"HexOptionOff", "a.hex", Rules::WorkingFile, false, true, false},
    {"EepUpperCase", "b.EEP", Rules::WorkingFile, true, true, true},
    {"EepOptionOff", "b.eEp", Rules::WorkingFile, true, false, false},
    {"EepWithoutHexOption", "b.eep", Rules::WorkingFile, false, true, true},
    {"LastExtensionCounts", "a.hex.bin", Rules::WorkingFile, true, true, false},
    {"DotInTheFolderOnly", "dir.hex/plain", Rules::WorkingFile, true, true, false},
    {"ColonBeforeTheName", "odd:name.hex", Rules::WorkingFile, true, true, true},
    {"ColonAfterTheDot", "name.hex:1", Rules::WorkingFile, true, true, false},
    {"BackslashAfterTheDot", "name.hex\\x", Rules::WorkingFile, true, true, false},
    {"TrailingDot", "a.", Rules::WorkingFile, true, true, false},
    {"ButtonLowerCase", "a.hex", Rules::Button, true, true, true},
    {"ButtonUpperCase", "a.HEX", Rules::Button, true, true, true},
    {"ButtonMixedCase", "a.Hex", Rules::Button, true, true, false},
    {"ButtonEep", "a.eep", Rules::Button, true, true, false},
    {"ButtonOptionOff", "a.hex", Rules::Button, false, true, false},
};

class FileNameRules : public testing::TestWithParam<NameCase> {};

TEST_P(FileNameRules, ChooseHexOrRaw) {
    const NameCase& nameCase = GetParam();
    const ScratchFolder folder;
    const fs::path file = folder.write(nameCase.fileName, FourByteHex);
    const LoadResult result = loadBy(nameCase.rules, file, nameCase.hexFiles, nameCase.eepFiles);
    EXPECT_EQ(result.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(result.image,
              nameCase.readAsHex ? FourBytes : Bytes(FourByteHex.begin(), FourByteHex.end()));
}

INSTANTIATE_TEST_SUITE_P(Cases, FileNameRules, testing::ValuesIn(NameCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ImageLoader, RawLengthLimits) {
    struct Case {
        std::size_t length;
        Rules rules;
        LoadOutcome outcome;
    };
    const Case cases[] = {
        {0, Rules::WorkingFile, LoadOutcome::Loaded},
        {1000, Rules::WorkingFile, LoadOutcome::Loaded},
        {524287, Rules::WorkingFile, LoadOutcome::Loaded},
        {524288, Rules::WorkingFile, LoadOutcome::LengthWarning},
        {524289, Rules::WorkingFile, LoadOutcome::IgnoredTooLong},
        {524287, Rules::Button, LoadOutcome::Loaded},
        {524288, Rules::Button, LoadOutcome::LengthWarning},
        {524289, Rules::Button, LoadOutcome::LengthWarning},
    };
    const ScratchFolder folder;
    for (const Case& testCase : cases) {
        std::string contents(testCase.length, '\0');
        for (std::size_t i = 0; i < contents.size(); ++i) {
            contents[i] = static_cast<char>(i % 251);
        }
        const fs::path file = folder.write("image.bin", contents);
        const LoadResult result = loadBy(testCase.rules, file, true, true);
        SCOPED_TRACE(testCase.length);
        EXPECT_EQ(result.outcome, testCase.outcome);
        if (testCase.outcome == LoadOutcome::Loaded) {
            EXPECT_EQ(result.image, Bytes(contents.begin(), contents.end()));
        } else {
            EXPECT_TRUE(result.image.empty());
        }
    }
}

TEST(ImageLoader, MissingFilesAndFoldersAreNoFile) {
    const ScratchFolder folder;
    const fs::path plain = folder.write("plain.bin", "x");
    for (const fs::path& file :
         {fs::path(), folder.path() / "missing.hex", folder.path(), plain / "inside.bin"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(loadWorkingFile(file, {}).outcome, LoadOutcome::NoFile);
        EXPECT_EQ(loadWithButtonRules(file, true).outcome, LoadOutcome::NoFile);
    }
}

TEST(ImageLoader, UnreachableFileGivesTheSystemsReason) {
    const ScratchFolder folder;
    const fs::path loop = folder.path() / "loop.hex";
    fs::create_symlink(loop, loop);
    const LoadResult result = loadWorkingFile(loop, {});
    EXPECT_EQ(result.outcome, LoadOutcome::OpenFailed);
    EXPECT_EQ(result.reason, std::generic_category().message(ELOOP));
}

}  // namespace
}  // namespace kelvan::image
