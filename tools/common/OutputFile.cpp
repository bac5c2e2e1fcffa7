#include "common/OutputFile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "image/FileHandle.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace kelvan::tools {
namespace {

namespace fs = std::filesystem;
using buffer::FileHandle;

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

std::error_code fillAndRename(FileHandle& file, const fs::path& temporary, const fs::path& target,
                              const fs::file_status& replaced,
                              std::span<const std::uint8_t> bytes) {
    std::error_code error = writeAndClose(file, bytes);
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

std::error_code writeStandardOutput(std::span<const std::uint8_t> bytes) {
#ifdef _WIN32
    if (_setmode(_fileno(stdout), _O_BINARY) == -1) {
        return {errno, std::generic_category()};
    }
#endif
    if ((!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) ||
        std::fflush(stdout) != 0) {
        return {errno, std::generic_category()};
    }
    return {};
}

}  // namespace kelvan::tools
