#include "SerialTestSupport.h"

#include <dirent.h>

#include <cerrno>
#include <system_error>

namespace kelvan::serial::test {

std::vector<std::uint8_t> PtyPair::readMaster(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    bytes.resize(read(bytes, IoTimeout));
    return bytes;
}

std::size_t countOpenFds() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        throw std::system_error(errno, std::generic_category(), "opendir /proc/self/fd");
    }
    std::size_t count = 0;
    while (readdir(dir) != nullptr) {
        ++count;
    }
    if (closedir(dir) != 0) {
        throw std::system_error(errno, std::generic_category(), "closedir /proc/self/fd");
    }
    return count;
}

std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
    }
    return bytes;
}

}  // namespace kelvan::serial::test
