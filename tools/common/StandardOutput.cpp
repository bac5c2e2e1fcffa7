#include "common/StandardOutput.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace kelvan::tools {

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
