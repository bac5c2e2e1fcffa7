#pragma once

// The serial line's settings as one record shaped like the Win32 DCB, so that the component's
// property rules are written once and each platform backend translates the whole record.

#include <cstdint>

namespace kelvan::serial {

enum class TBytesize { sz_4, sz_5, sz_6, sz_7, sz_8 };
enum class TParity { pNone, pOdd, pEven, pMark, pSpace };
enum class TStopBits { sb1_0, sb1_5, sb2_0 };
enum class TFlowControl { fcNone, fcHardware1, fcHardware2, fcSoftware };

// Bits of LineSettings::Flags, laid out like the DCB's bit fields (bit 0 first).
namespace dcbflag {
inline constexpr std::uint32_t fBinary = 1u << 0;
inline constexpr std::uint32_t fParity = 1u << 1;
inline constexpr std::uint32_t fOutxCtsFlow = 1u << 2;
inline constexpr std::uint32_t fOutxDsrFlow = 1u << 3;
inline constexpr int fDtrControlShift = 4;  // two bits: DTR_CONTROL_*
inline constexpr std::uint32_t fDtrControlMask = 3u << fDtrControlShift;
inline constexpr std::uint32_t fDsrSensitivity = 1u << 6;
inline constexpr std::uint32_t fTXContinueOnXoff = 1u << 7;
inline constexpr std::uint32_t fOutX = 1u << 8;
inline constexpr std::uint32_t fInX = 1u << 9;
inline constexpr std::uint32_t fErrorChar = 1u << 10;
inline constexpr std::uint32_t fNull = 1u << 11;
inline constexpr int fRtsControlShift = 12;  // two bits: RTS_CONTROL_*
inline constexpr std::uint32_t fRtsControlMask = 3u << fRtsControlShift;
inline constexpr std::uint32_t fAbortOnError = 1u << 14;
}  // namespace dcbflag

// Values of the DCB's fRtsControl, Parity and StopBits fields (RTS_CONTROL_*, NOPARITY ...,
// ONESTOPBIT ... in Win32).
inline constexpr std::uint32_t RtsControlDisable = 0;
inline constexpr std::uint32_t RtsControlEnable = 1;
inline constexpr std::uint32_t RtsControlHandshake = 2;
inline constexpr std::uint32_t RtsControlToggle = 3;

inline constexpr std::uint8_t NoParity = 0;
inline constexpr std::uint8_t OddParity = 1;
inline constexpr std::uint8_t EvenParity = 2;
inline constexpr std::uint8_t MarkParity = 3;
inline constexpr std::uint8_t SpaceParity = 4;

inline constexpr std::uint8_t OneStopBit = 0;
inline constexpr std::uint8_t OneAndHalfStopBits = 1;
inline constexpr std::uint8_t TwoStopBits = 2;

// The DCB-like record. Construction gives the component's initial record: 9600 bit/s, fBinary
// only, 8 data bits, no parity, one stop bit, every other field 0.
struct LineSettings {
    std::uint32_t BaudRate = 9600;
    std::uint32_t Flags = dcbflag::fBinary;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = NoParity;
    std::uint8_t StopBits = OneStopBit;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;

    bool operator==(const LineSettings&) const = default;
};

std::uint32_t rtsControl(std::uint32_t flags);

// Sets exactly the XON/XOFF and RTS-control bits for `flow`; every other bit keeps its value.
std::uint32_t withFlowControl(std::uint32_t flags, TFlowControl flow);

// Decodes the flow control from the flag word: RTS toggle, then the RTS-handshake bit, then
// XON/XOFF both ways, else none.
TFlowControl flowControlOf(std::uint32_t flags);

// The record the port is opened with: the driver's current record with the component's bit
// rate, flag word (fBinary forced on), data bits, parity, stop bits and event character
// written over it. The driver's XON/XOFF limits and characters, error and end characters stay.
LineSettings mergeForOpen(const LineSettings& driver, const LineSettings& component);

}  // namespace kelvan::serial
