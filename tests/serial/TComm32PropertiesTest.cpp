// The component's properties and their place in the DCB-shaped line settings record.

#include <gtest/gtest.h>

#include "SerialTestSupport.h"

namespace kelvan::serial::test {
namespace {

TEST(TComm32Properties, DefaultsAfterConstruction) {
    QueueNotifier notifier;
    TComm32 comm(notifier);
    EXPECT_EQ(comm.CommPort(), "COM2");
    EXPECT_EQ(comm.BaudRate(), 9600u);
    EXPECT_EQ(comm.ByteSize(), TBytesize::sz_8);
    EXPECT_EQ(comm.Parity(), TParity::pNone);
    EXPECT_EQ(comm.StopBits(), TStopBits::sb1_0);
    EXPECT_EQ(comm.FlowControl(), TFlowControl::fcNone);
    EXPECT_EQ(comm.EventChar(), '\0');
    EXPECT_EQ(comm.RxQueue(), 4096u);
    EXPECT_EQ(comm.TxQueue(), 4096u);
    EXPECT_FALSE(comm.isOpen());
    const LineSettings& record = comm.lineSettings();
    EXPECT_EQ(record.BaudRate, 9600u);
    EXPECT_EQ(record.Flags, dcbflag::fBinary);
    EXPECT_EQ(record.ByteSize, 8);
    EXPECT_EQ(record.Parity, NoParity);
    EXPECT_EQ(record.StopBits, OneStopBit);
}

TEST(TComm32Properties, FieldsTakeOrdinalsAndByteSizeIsOffsetByFour) {
    QueueNotifier notifier;
    TComm32 comm(notifier);
    comm.setByteSize(TBytesize::sz_7);
    EXPECT_EQ(comm.lineSettings().ByteSize, 7);
    EXPECT_EQ(comm.ByteSize(), TBytesize::sz_7);
    comm.setByteSize(TBytesize::sz_4);
    EXPECT_EQ(comm.lineSettings().ByteSize, 4);
    comm.setStopBits(TStopBits::sb2_0);
    EXPECT_EQ(comm.lineSettings().StopBits, TwoStopBits);
    comm.setParity(TParity::pMark);
    EXPECT_EQ(comm.lineSettings().Parity, MarkParity);
    comm.setParity(TParity::pSpace);
    EXPECT_EQ(comm.lineSettings().Parity, SpaceParity);
    comm.setEventChar('\x7E');
    EXPECT_EQ(comm.lineSettings().EvtChar, '\x7E');
    comm.setBaudRate(56000);
    EXPECT_EQ(comm.lineSettings().BaudRate, 56000u);
}

TEST(TComm32Properties, FlowControlRoundTripsThroughTheFlagWord) {
    QueueNotifier notifier;
    TComm32 comm(notifier);
    for (TFlowControl flow : {TFlowControl::fcHardware1, TFlowControl::fcSoftware,
                              TFlowControl::fcHardware2, TFlowControl::fcNone}) {
        comm.setFlowControl(flow);
        EXPECT_EQ(comm.FlowControl(), flow);
        const std::uint32_t flags = comm.lineSettings().Flags;
        EXPECT_EQ(flags & (dcbflag::fOutxCtsFlow | dcbflag::fOutxDsrFlow), 0u);
        EXPECT_NE(flags & dcbflag::fBinary, 0u);
    }
}

TEST(FlowControlBits, EachModeSetsExactlyItsBits) {
    const std::uint32_t others = dcbflag::fBinary | dcbflag::fParity | dcbflag::fNull |
                                 (1u << dcbflag::fDtrControlShift) | dcbflag::fAbortOnError;
    const std::uint32_t busy = others | dcbflag::fOutX | dcbflag::fInX | dcbflag::fRtsControlMask;
    EXPECT_EQ(withFlowControl(busy, TFlowControl::fcNone), others);
    EXPECT_EQ(withFlowControl(busy, TFlowControl::fcHardware1),
              others | (RtsControlHandshake << dcbflag::fRtsControlShift));
    EXPECT_EQ(withFlowControl(busy, TFlowControl::fcHardware2),
              others | (RtsControlToggle << dcbflag::fRtsControlShift));
    EXPECT_EQ(withFlowControl(busy, TFlowControl::fcSoftware),
              others | dcbflag::fOutX | dcbflag::fInX);
    EXPECT_EQ(
        withFlowControl(withFlowControl(others, TFlowControl::fcSoftware), TFlowControl::fcNone),
        others);
}

TEST(FlowControlBits, DecodingPrefersToggleThenHandshakeThenXonXoff) {
    const std::uint32_t xon = dcbflag::fOutX | dcbflag::fInX;
    auto rts = [](std::uint32_t value) { return value << dcbflag::fRtsControlShift; };
    EXPECT_EQ(flowControlOf(rts(RtsControlToggle) | xon), TFlowControl::fcHardware2);
    EXPECT_EQ(flowControlOf(rts(RtsControlHandshake) | xon), TFlowControl::fcHardware1);
    EXPECT_EQ(flowControlOf(rts(RtsControlEnable) | xon), TFlowControl::fcSoftware);
    EXPECT_EQ(flowControlOf(dcbflag::fOutX), TFlowControl::fcNone);
    EXPECT_EQ(flowControlOf(rts(RtsControlEnable) | dcbflag::fInX), TFlowControl::fcNone);
}

TEST(LineSettingsMerge, KeepsTheDriversCharactersAndTakesTheComponentsLine) {
    LineSettings driver;
    driver.BaudRate = 115200;
    driver.Flags = dcbflag::fParity | dcbflag::fOutxCtsFlow | dcbflag::fDsrSensitivity;
    driver.XonLim = 2048;
    driver.XoffLim = 512;
    driver.XonChar = 0x11;
    driver.XoffChar = 0x13;
    driver.ErrorChar = '?';
    driver.EofChar = 0x1A;
    LineSettings component;
    component.BaudRate = 56000;
    component.Flags = withFlowControl(0, TFlowControl::fcSoftware);
    component.ByteSize = 7;
    component.Parity = EvenParity;
    component.StopBits = TwoStopBits;
    component.EvtChar = '\r';

    const LineSettings merged = mergeForOpen(driver, component);
    EXPECT_EQ(merged.BaudRate, 56000u);
    EXPECT_EQ(merged.Flags, dcbflag::fBinary | dcbflag::fOutX | dcbflag::fInX);
    EXPECT_EQ(merged.ByteSize, 7);
    EXPECT_EQ(merged.Parity, EvenParity);
    EXPECT_EQ(merged.StopBits, TwoStopBits);
    EXPECT_EQ(merged.EvtChar, '\r');
    EXPECT_EQ(merged.XonLim, 2048);
    EXPECT_EQ(merged.XoffLim, 512);
    EXPECT_EQ(merged.XonChar, 0x11);
    EXPECT_EQ(merged.XoffChar, 0x13);
    EXPECT_EQ(merged.ErrorChar, '?');
    EXPECT_EQ(merged.EofChar, 0x1A);
}

}  // namespace
}  // namespace kelvan::serial::test
