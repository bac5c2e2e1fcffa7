#pragma once

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace kelvan::test {

// A fresh folder for one test, removed with everything in it afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvan-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;  // a leftover in the temporary folder fails no test
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes contents to name inside the folder, creating the folders on its way.
    std::filesystem::path write(const std::string& name, std::string_view contents) const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream stream(file, std::ios::binary);
        stream.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        if (!stream.flush()) {
            throw std::runtime_error("cannot write " + file.string());
        }
        return file;
    }

    // The whole contents of name inside the folder (or of an absolute path).
    std::string read(const std::filesystem::path& name) const {
        std::ifstream stream(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), {});
    }

  private:
    std::filesystem::path path_;
};

}  // namespace kelvan::test
