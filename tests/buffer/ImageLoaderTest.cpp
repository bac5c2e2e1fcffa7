#include "buffer/ImageLoader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace kelvan::buffer {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string FourByteHex = ":0400000001020304F2\r\n:00000001FF\r\n";
const Bytes FourBytes{1, 2, 3, 4};

// A fresh folder for one test, removed with everything in it afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "kelvan-loader-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;  // a leftover in the temporary folder fails no test
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

    fs::path write(const std::string& name, std::string_view contents) const {
        const fs::path file = path_ / name;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(contents.data(), static_cast<std::streamsize>(contents.size()));
        return file;
    }

  private:
    fs::path path_;
};

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

std::ostream& operator<<(std::ostream& out, const NameCase& nameCase) {
    return out << nameCase.name;
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

// The text of image at address 0 in 16-byte records with a linear base record at every
// 64 KiB; checksums are left 00, as the reader never checks them.
std::string hexTextOf(const Bytes& image) {
    std::string text;
    char field[32];
    for (std::size_t address = 0; address < image.size(); address += 16) {
        if (address % 0x10000 == 0) {
            std::snprintf(field, sizeof field, ":02000004%04zX00\r\n", address >> 16);
            text += field;
        }
        const std::size_t count = std::min<std::size_t>(16, image.size() - address);
        std::snprintf(field, sizeof field, ":%02zX%04zX00", count, address & 0xFFFF);
        text += field;
        for (std::size_t k = 0; k < count; ++k) {
            std::snprintf(field, sizeof field, "%02X", image[address + k]);
            text += field;
        }
        text += "00\r\n";
    }
    return text + ":00000001FF\r\n";
}

// A HEX file is judged by its image: this text is far longer than the raw limit.
TEST(ImageLoader, LongHexFileOfAnImageBelowTheLimitLoads) {
    Bytes image(300000);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    }
    std::string text = hexTextOf(image);
    ASSERT_GT(text.size(), ImageLengthLimit + 1);
    const ScratchFolder folder;
    const LoadResult loaded = loadWorkingFile(folder.write("long.hex", text), {});
    EXPECT_EQ(loaded.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded.image, image);

    // A fault far into the text is reported on its own line, counted across the reads.
    std::size_t lineStart = 0;
    for (int line = 1; line < 15000; ++line) {
        lineStart = text.find('\n', lineStart) + 1;
    }
    text[lineStart + 3] = 'Z';
    const LoadResult broken = loadWorkingFile(folder.write("broken.hex", text), {});
    EXPECT_EQ(broken.outcome, LoadOutcome::Abandoned);
    EXPECT_EQ(broken.reason, "line 15000: \"Z\" is not a hexadecimal digit");
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
}  // namespace kelvan::buffer
