#include "image/FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kelvan::image {
namespace {

#ifdef _WIN32
using StatBuffer = struct _stat64;
int openFile(const std::filesystem::path& file, int flags) {
    return _wopen(file.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
int statDescriptor(int descriptor, StatBuffer* status) {
    return _fstat64(descriptor, status);
}
// The Windows C runtime counts in unsigned int and is never interrupted by signals.
long long readDescriptor(int descriptor, void* into, std::size_t count) {
    return _read(descriptor, into, static_cast<unsigned>(std::min<std::size_t>(count, INT_MAX)));
}
long long writeDescriptor(int descriptor, const void* bytes, std::size_t count) {
    return _write(descriptor, bytes, static_cast<unsigned>(std::min<std::size_t>(count, INT_MAX)));
}
int closeDescriptor(int descriptor) {
    return _close(descriptor);
}
int syncDescriptor(int descriptor) {
    return _commit(descriptor);
}
constexpr int ReadOnly = _O_RDONLY;
constexpr int CreateExclusive = _O_WRONLY | _O_CREAT | _O_EXCL;
constexpr int WriteExisting = _O_WRONLY;
#else
using StatBuffer = struct stat;
int openFile(const std::filesystem::path& file, int flags) {
    int descriptor = -1;
    do {
        descriptor = ::open(file.c_str(), flags | O_CLOEXEC, 0666);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}
int statDescriptor(int descriptor, StatBuffer* status) {
    return ::fstat(descriptor, status);
}
long long readDescriptor(int descriptor, void* into, std::size_t count) {
    ssize_t got = -1;
    do {
        got = ::read(descriptor, into, std::min<std::size_t>(count, SSIZE_MAX));
    } while (got < 0 && errno == EINTR);
    return got;
}
long long writeDescriptor(int descriptor, const void* bytes, std::size_t count) {
    ssize_t written = -1;
    do {
        written = ::write(descriptor, bytes, std::min<std::size_t>(count, SSIZE_MAX));
    } while (written < 0 && errno == EINTR);
    return written;
}
// A close interrupted by a signal has released the descriptor on Linux; retrying could close
// a descriptor another thread just opened, so EINTR is taken as done.
int closeDescriptor(int descriptor) {
    return ::close(descriptor) != 0 && errno != EINTR ? -1 : 0;
}
int syncDescriptor(int descriptor) {
    int result = -1;
    do {
        result = ::fsync(descriptor);
    } while (result != 0 && errno == EINTR);
    return result;
}
constexpr int ReadOnly = O_RDONLY;
constexpr int CreateExclusive = O_WRONLY | O_CREAT | O_EXCL;
constexpr int WriteExisting = O_WRONLY;
#endif

std::error_code lastError() {
    return {errno, std::generic_category()};
}

}  // namespace

FileHandle::~FileHandle() {
    // Only a handle that was read, or one abandoned on an error already reported, is closed
    // here; what close would say about it changes nothing for the caller.
    std::error_code ignored;
    close(ignored);
}

FileHandle FileHandle::openForReading(const std::filesystem::path& file, std::error_code& error) {
    const int descriptor = openFile(file, ReadOnly);
    error = descriptor < 0 ? lastError() : std::error_code();
    return FileHandle(descriptor);
}

FileHandle FileHandle::createNew(const std::filesystem::path& file, std::error_code& error) {
    const int descriptor = openFile(file, CreateExclusive);
    error = descriptor < 0 ? lastError() : std::error_code();
    return FileHandle(descriptor);
}

FileHandle FileHandle::openExistingForWriting(const std::filesystem::path& file,
                                              std::error_code& error) {
    const int descriptor = openFile(file, WriteExisting);
    error = descriptor < 0 ? lastError() : std::error_code();
    return FileHandle(descriptor);
}

std::uint64_t FileHandle::size(std::error_code& error) const {
    StatBuffer status{};
    if (statDescriptor(descriptor_, &status) != 0) {
        error = lastError();
        return 0;
    }
    error.clear();
    return static_cast<std::uint64_t>(status.st_size);
}

std::size_t FileHandle::readSome(std::span<std::uint8_t> into, std::error_code& error) {
    const long long got = readDescriptor(descriptor_, into.data(), into.size());
    if (got < 0) {
        error = lastError();
        return 0;
    }
    error.clear();
    return static_cast<std::size_t>(got);
}

void FileHandle::writeAll(std::span<const std::uint8_t> bytes, std::error_code& error) {
    error.clear();
    while (!bytes.empty()) {
        const long long written = writeDescriptor(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            error = lastError();
            return;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

void FileHandle::flushToDisk(std::error_code& error) {
    error.clear();
    if (syncDescriptor(descriptor_) != 0) {
        error = lastError();
    }
}

void FileHandle::flushFolderToDisk(const std::filesystem::path& folder, std::error_code& error) {
    error.clear();
#ifndef _WIN32
    const int descriptor = openFile(folder.empty() ? std::filesystem::path(".") : folder,
                                    O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) {
        error = lastError();
        return;
    }
    if (syncDescriptor(descriptor) != 0) {
        error = lastError();
    }
    closeDescriptor(descriptor);
#else
    (void)folder;
#endif
}

void FileHandle::close(std::error_code& error) {
    error.clear();
    if (descriptor_ >= 0 && closeDescriptor(std::exchange(descriptor_, -1)) != 0) {
        error = lastError();
    }
}

}  // namespace kelvan::image
