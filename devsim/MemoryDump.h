#pragma once

#include <filesystem>

#include "devsim/DeviceModel.h"

namespace kelvan::devsim {

// Writes chipN-program.bin and chipN-eeprom.bin (N from 0, in list order) for every chip
// into directory, creating it when missing. Throws std::runtime_error or
// std::filesystem::filesystem_error naming the file that could not be written.
void dumpMemories(const DeviceModel& device, const std::filesystem::path& directory);

}  // namespace kelvan::devsim
