#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace kelvan {

// The host's byte image of one chip memory, indexed by address from 0, and the flag that a
// grid edit set it apart from what was loaded or read. One instance, owned by the main window.
class ProgramBuffer {
  public:
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }

    // Keeps the bytes below the new length; bytes added by growing are 0.
    void resize(std::size_t length) { bytes_.resize(length, 0); }
    void clear() { bytes_.clear(); }
    // The buffer becomes `bytes`: a loaded image, byte 0 at address 0.
    void replace(std::vector<std::uint8_t> bytes) { bytes_ = std::move(bytes); }

    std::uint8_t at(std::size_t address) const { return bytes_.at(address); }
    void set(std::size_t address, std::uint8_t value) { bytes_.at(address) = value; }

    // Copies data to address..address+size-1 when that range lies wholly inside the buffer;
    // otherwise changes nothing and returns false.
    bool writeAt(std::uint32_t address, std::span<const std::uint8_t> data);

    // The bytes from address on, at most count of them (fewer near the end, none past it).
    std::span<const std::uint8_t> view(std::size_t address, std::size_t count) const;

    std::span<const std::uint8_t> bytes() const { return bytes_; }

    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

  private:
    std::vector<std::uint8_t> bytes_;
    bool modified_ = false;
};

}  // namespace kelvan
