#include "devsim/MemoryDump.h"

#include <fstream>
#include <stdexcept>
#include <string>

namespace kelvan::devsim {
namespace {

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace

void dumpMemories(const DeviceModel& device, const std::filesystem::path& directory) {
    std::filesystem::create_directories(directory);
    for (std::size_t i = 0; i < device.chipCount(); ++i) {
        const std::string stem = "chip" + std::to_string(i);
        writeFile(directory / (stem + "-program.bin"), device.chip(i).programMemory);
        writeFile(directory / (stem + "-eeprom.bin"), device.chip(i).eeprom);
    }
}

}  // namespace kelvan::devsim
