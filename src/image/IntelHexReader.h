#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "image/ImageLoader.h"

namespace kelvan::image {

// Reads Intel HEX text, given whole or in pieces, into an image. A record starts at ":" and
// everything between records is passed over; the fields are the byte count, the 16-bit
// address and the type, then the data of a data record (00) or the base of an extended
// segment (02, value × 16) or extended linear (04, value << 16) address record. Data goes to
// base + address + k without wrapping at 64 KiB; later records overwrite earlier ones; bytes
// below the highest address written that no record covers are FF. Other record types and
// every checksum are never read, nor anything after the end-of-file record (01). An image
// that would reach ImageLengthLimit is never allocated: the text is still read to its end
// record, and the outcome is LengthWarning.
class IntelHexReader {
  public:
    // textLength: the length of the whole text where known, so that the image of a dense file
    // is allocated once.
    explicit IntelHexReader(std::size_t textLength = 0);

    // Reads the records at the front of text, which continues what earlier calls were given.
    // Returns how many characters it used: all of them when last is set or the reader has
    // finished, otherwise everything before a record that runs past the end of text, which the
    // next call must receive again at its front (at most MaxRecordCharacters of them).
    std::size_t read(std::span<const std::uint8_t> text, bool last);

    // True once the end-of-file record or a fault ended the text, and after a last piece.
    bool finished() const { return finished_; }

    // The outcome once finished: Loaded with the image, LengthWarning, or Abandoned with what
    // stopped it and its line number.
    LoadResult takeResult();

    // The most characters a record can need to be read whole: ":", eight header digits and
    // 255 data bytes.
    static constexpr std::size_t MaxRecordCharacters = 1 + 8 + 2 * 255;

  private:
    std::size_t keepFrom(std::span<const std::uint8_t> text, std::size_t start);
    std::size_t finishIncomplete(std::span<const std::uint8_t> text, std::size_t fields);
    std::size_t abandonAtNonDigit(std::span<const std::uint8_t> text, std::size_t fields,
                                  std::size_t digits);
    std::size_t abandon(std::span<const std::uint8_t> text, std::size_t at, std::string reason,
                        bool withLine = false);
    void finishAtEnd();
    std::uint8_t* dataTarget(std::uint64_t address, std::size_t count);

    std::vector<std::uint8_t> image_;
    std::uint64_t base_ = 0;
    std::size_t linesBefore_ = 0;  // line ends in the pieces already used up
    bool tooLong_ = false;
    bool finished_ = false;
    LoadResult result_;
    std::array<std::uint8_t, 255> discard_{};  // the data of records that are not kept
};

// Where a streamed load gets its text: fills the span's front, returns how many bytes came
// (0 only at the end of the text), and sets error when reading fails.
using TextSource = std::function<std::size_t(std::span<std::uint8_t>, std::error_code&)>;

// Reads the Intel HEX text that source delivers through a fixed buffer, so that the memory a
// load takes is bounded by the image, whatever the length of the text. A read error gives
// OpenFailed with the system's reason.
LoadResult readIntelHexStream(const TextSource& source, std::size_t textLength);

}  // namespace kelvan::image
