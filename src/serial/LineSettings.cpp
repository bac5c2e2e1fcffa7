#include "serial/LineSettings.h"

namespace kelvan::serial {

std::uint32_t rtsControl(std::uint32_t flags) {
    return (flags & dcbflag::fRtsControlMask) >> dcbflag::fRtsControlShift;
}

std::uint32_t withFlowControl(std::uint32_t flags, TFlowControl flow) {
    flags &= ~(dcbflag::fOutX | dcbflag::fInX | dcbflag::fRtsControlMask);
    std::uint32_t rts = RtsControlDisable;
    switch (flow) {
        case TFlowControl::fcNone:
            break;
        case TFlowControl::fcHardware1:
            rts = RtsControlHandshake;
            break;
        case TFlowControl::fcHardware2:
            rts = RtsControlToggle;
            break;
        case TFlowControl::fcSoftware:
            flags |= dcbflag::fOutX | dcbflag::fInX;
            break;
    }
    return flags | (rts << dcbflag::fRtsControlShift);
}

TFlowControl flowControlOf(std::uint32_t flags) {
    const std::uint32_t rts = rtsControl(flags);
    if (rts == RtsControlToggle) {
        return TFlowControl::fcHardware2;
    }
    if ((rts & RtsControlHandshake) != 0) {
        return TFlowControl::fcHardware1;
    }
    if ((flags & dcbflag::fOutX) != 0 && (flags & dcbflag::fInX) != 0) {
        return TFlowControl::fcSoftware;
    }
    return TFlowControl::fcNone;
}

LineSettings mergeForOpen(const LineSettings& driver, const LineSettings& component) {
    LineSettings merged = driver;
    merged.BaudRate = component.BaudRate;
    merged.Flags = component.Flags | dcbflag::fBinary;
    merged.ByteSize = component.ByteSize;
    merged.Parity = component.Parity;
    merged.StopBits = component.StopBits;
    merged.EvtChar = component.EvtChar;
    return merged;
}

}  // namespace kelvan::serial
