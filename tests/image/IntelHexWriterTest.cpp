// The Intel HEX writer and the one file writer: the text of small images worked out by hand,
// and images that come back as the same bytes through the program's loader and through
// avr-objcopy.

#include "image/IntelHexWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ScratchFolder.h"
#include "image/ImageLoader.h"
#include "image/OutputFile.h"

namespace kelvan::image {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(IntelHexWriter, RecordsOfSixteenBytesWithTheSegmentAboveEach64KiB) {
    const std::string end = ":00000001FF\r\n";
    Bytes across(65537, 0xFF);
    const std::string text = intelHexText(across);
    // The last data record below 64 KiB, the segment record for 0x10000, its one byte, the end.
    EXPECT_EQ(text.substr(text.size() - 17 - 43 - 17 - 13),
              ":10FFF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF11\r\n"
              ":020000040001F9\r\n"
              ":01000000FF00\r\n" +
                  end);
    EXPECT_EQ(intelHexText(Bytes{}), end);
    EXPECT_EQ(intelHexText(Bytes{1, 2, 3}), ":03000000010203F7\r\n" + end);
    EXPECT_EQ(intelHexText(Bytes(17, 0)),
              ":1000000000000000000000000000000000000000F0\r\n:0100100000EF\r\n" + end);
}

// Saved under a name the loader reads as Intel HEX, an image loads back as itself, also with
// avr-objcopy, including an empty one and one above 64 KiB; under any other name the file
// holds the raw bytes. The empty image's text is the end-of-file record alone, the only Intel
// HEX there is for it; avr-objcopy (like srec_cat) refuses to convert a file without data.
TEST(IntelHexWriter, ImagesComeBackThroughTheLoaderAndAvrObjcopy) {
    std::mt19937 random(7);
    for (const std::size_t length : {std::size_t{0}, std::size_t{3}, std::size_t{70001}}) {
        SCOPED_TRACE(length);
        Bytes image(length);
        for (std::uint8_t& byte : image) {
            byte = static_cast<std::uint8_t>(random());
        }
        const test::ScratchFolder folder;
        for (const char* name : {"image.hex", "IMAGE.Eep", "image.bin"}) {
            SCOPED_TRACE(name);
            const fs::path file = folder.path() / name;
            ASSERT_FALSE(writeImageFile(file, image, LoadOptions{}));
            const LoadResult loaded = loadWorkingFile(file, LoadOptions{});
            ASSERT_EQ(loaded.outcome, LoadOutcome::Loaded) << loaded.reason;
            EXPECT_TRUE(loaded.image == image);
        }
        EXPECT_EQ(fs::file_size(folder.path() / "image.bin"), length);

        test::ChildProcess objcopy({"avr-objcopy", "-I", "ihex", "-O", "binary",
                                    (folder.path() / "image.hex").string(),
                                    (folder.path() / "objcopy.bin").string()},
                                   folder.path(), "objcopy");
        if (length == 0) {
            EXPECT_EQ(objcopy.wait(), 1);
            EXPECT_NE(objcopy.errors().find("has no sections"), std::string::npos);
            continue;
        }
        ASSERT_EQ(objcopy.wait(), 0) << objcopy.errors();
        const std::string converted = folder.read("objcopy.bin");
        EXPECT_TRUE(Bytes(converted.begin(), converted.end()) == image);
    }
}

// A replaced file keeps its permission bits, and a symbolic link keeps pointing at the file it
// named, which gets the new contents.
TEST(OutputFile, ReplacingKeepsThePermissionsAndTheLink) {
    const test::ScratchFolder folder;
    const fs::path target = folder.write("target.bin", "old contents");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = folder.path() / "link.bin";
    fs::create_symlink(target, link);

    ASSERT_FALSE(writeOutputFile(link, Bytes{'n', 'e', 'w'}));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(folder.read("target.bin"), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 2) << "no temporary left";
}

}  // namespace
}  // namespace kelvan::image
