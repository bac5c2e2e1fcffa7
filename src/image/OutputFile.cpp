#include "image/OutputFile.h"

#include <chrono>
#include <string>

#include "image/FileHandle.h"
#include "image/IntelHexWriter.h"

namespace kelvan::image {
namespace {

namespace fs = std::filesystem;

constexpr unsigned NameAttempts = 100;

// A name beside target that no other run is likely to pick; createNew refuses one that exists.
fs::path temporaryBeside(const fs::path& target, unsigned attempt) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path temporary = target;
    temporary += ".kelvan-" + std::to_string(stamp) + "-" + std::to_string(attempt) + ".tmp";
    return temporary;
}

std::error_code writeAndClose(FileHandle& file, std::span<const std::uint8_t> bytes) {
    std::error_code error;
    file.writeAll(bytes, error);
    if (!error) {
        file.close(error);
    }
    return error;
}

// The temporary file gets the bytes, reaches the disk and takes target's place; on a failure
// before the rename it is removed and target is untouched. Once renamed, the folder is flushed
// so that the rename survives a power cut too; a file system that cannot flush folders (some
// network and FUSE ones say so) is taken at its word.
std::error_code fillAndRename(FileHandle& file, const fs::path& temporary, const fs::path& target,
                              const fs::file_status& replaced,
                              std::span<const std::uint8_t> bytes) {
    std::error_code error;
    file.writeAll(bytes, error);
    if (!error) {
        file.flushToDisk(error);
    }
    if (!error) {
        file.close(error);
    }
    if (!error && fs::exists(replaced)) {
        fs::permissions(temporary, replaced.permissions(), error);
    }
    if (!error) {
        fs::rename(temporary, target, error);
    }
    if (error) {
        // The first failure is the one to report; a temporary file that cannot be removed
        // either is only clutter beside a target that was never touched.
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return error;
    }
    FileHandle::flushFolderToDisk(target.parent_path(), error);
    if (error == std::errc::invalid_argument || error == std::errc::not_supported) {
        error.clear();
    }
    return error;
}

// Replaces the regular file target (or creates it) through a temporary file beside it.
std::error_code replaceFile(const fs::path& target, const fs::file_status& replaced,
                            std::span<const std::uint8_t> bytes) {
    for (unsigned attempt = 0;; ++attempt) {
        const fs::path temporary = temporaryBeside(target, attempt);
        std::error_code error;
        FileHandle file = FileHandle::createNew(temporary, error);
        if (error == std::errc::file_exists && attempt + 1 < NameAttempts) {
            continue;
        }
        if (error) {
            return error;
        }
        return fillAndRename(file, temporary, target, replaced, bytes);
    }
}

}  // namespace

std::error_code writeOutputFile(const fs::path& target, std::span<const std::uint8_t> bytes) {
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (!fs::exists(status)) {
        // A missing file, or a path the system cannot look at: creating it says which.
        return replaceFile(target, status, bytes);
    }
    if (fs::is_directory(status)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (!fs::is_regular_file(status)) {
        FileHandle device = FileHandle::openExistingForWriting(target, error);
        return error ? error : writeAndClose(device, bytes);
    }
    const fs::path file = fs::canonical(target, error);
    return error ? error : replaceFile(file, status, bytes);
}

std::error_code writeImageFile(const fs::path& target, std::span<const std::uint8_t> image,
                               const LoadOptions& options) {
    if (!readsAsIntelHex(target, options)) {
        return writeOutputFile(target, image);
    }
    const std::string text = intelHexText(image);
    return writeOutputFile(target, std::span(reinterpret_cast<const std::uint8_t*>(text.data()),
                                             text.size()));
}

}  // namespace kelvan::image
