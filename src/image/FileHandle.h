#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

namespace kelvan::image {

// An open file descriptor that closes itself: the few calls the loaders and kelvan-load need,
// each reporting the system's reason through a std::error_code. Plain C++ over the POSIX or
// the Windows C runtime calls, so that the command-line loader needs nothing else.
class FileHandle {
  public:
    // Handed out by the factories below only, as prvalues; never copied or moved.
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    // Opens an existing file for reading; on failure the handle stays closed and error is set.
    static FileHandle openForReading(const std::filesystem::path& file, std::error_code& error);

    // Creates a file that must not exist yet, for writing, with the default permissions that
    // the process's umask leaves; on failure (also when it exists) error is set.
    static FileHandle createNew(const std::filesystem::path& file, std::error_code& error);

    // Opens an existing file for writing without truncating it: for devices and pipes, which
    // cannot be replaced; on failure error is set.
    static FileHandle openExistingForWriting(const std::filesystem::path& file,
                                             std::error_code& error);

    bool isOpen() const { return descriptor_ >= 0; }

    // The length of the open file as the system reports it now.
    std::uint64_t size(std::error_code& error) const;

    // Reads up to into.size() bytes; returns how many arrived, 0 at the end of the file.
    std::size_t readSome(std::span<std::uint8_t> into, std::error_code& error);

    // Writes every byte or sets error.
    void writeAll(std::span<const std::uint8_t> bytes, std::error_code& error);

    // Waits until what was written is on the disk itself (fsync), so that a power cut after a
    // reported success cannot leave the file empty or short.
    void flushToDisk(std::error_code& error);

    // Closes the descriptor, reporting what the system says about the last writes.
    void close(std::error_code& error);

    // Flushes a folder's entries to the disk, so that a file renamed into it stays renamed after
    // a power cut. Nothing to do on Windows, where a rename is written through.
    static void flushFolderToDisk(const std::filesystem::path& folder, std::error_code& error);

  private:
    explicit FileHandle(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
};

}  // namespace kelvan::image
