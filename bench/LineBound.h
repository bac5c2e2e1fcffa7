#pragma once

// The least time a paced line needs for what crossed it: every byte in both directions at
// 10 bits a byte (a start bit, 8 data bits, a stop bit), plus, per command answered, the 1 ms
// of quiet after the programmer's burst that the serial receive side waits for before it
// delivers one. Measured elapsed time is set against it: 1.0 is as fast as the line allows.

#include <cstddef>

#include "devsim/Simulator.h"

namespace kelvan::bench {

struct LineUse {
    std::size_t bytes = 0;       // both directions
    std::size_t roundTrips = 0;  // commands the programmer took
};

// What crossed the simulator's line between two looks at its traffic.
inline LineUse lineUseBetween(const devsim::Traffic& before, const devsim::Traffic& after) {
    return LineUse{
        .bytes =
            (after.bytesSent - before.bytesSent) + (after.bytesReceived - before.bytesReceived),
        .roundTrips = after.frames.size() - before.frames.size(),
    };
}

inline double lineBoundSeconds(const LineUse& use, unsigned baud) {
    return static_cast<double>(use.bytes) * 10.0 / baud +
           static_cast<double>(use.roundTrips) * 1e-3;
}

}  // namespace kelvan::bench
