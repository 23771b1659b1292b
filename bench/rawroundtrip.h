// SPDX-License-Identifier: GPL-3.0-or-later
// The pseudo-terminal's own round trip, the floor a dialogue step is compared with: a plain
// program on the slave side writes a command line (the dialogue's own, or "AT" CR) and blocks (poll
// + read) until the simulated modem's "0" CR has come back, thousands of times. Same device, same
// modem thread, same moment as the dialogue it is compared with.
#pragma once

#include <string>
#include <vector>

class CpuTally;
class HayesModem;

struct RawRoundTripResult
{
    std::string error;               // empty when the measurement ran
    std::vector<double> roundTripUs; // client view: write of "AT\r" to read of "0\r"
    // Modem view, the same measure a dialogue step gets: from the modem's write of "0\r" to
    // the first byte of the client's next line.
    std::vector<double> modemGapUs;
    // Modem view of a whole exchange: from the first byte of one line to the first byte of the
    // next (the modem's own reading and answering included), what a dialogue's list pays.
    std::vector<double> cycleUs;
    // CPU time of the client's thread per timed round trip (user and system).
    double clientCpuUs = 0;
};

namespace RawRoundTrip {

// The port must not be open in the program meanwhile. Clears the modem's log before and after.
// The client sends `lines` in turn (each as it goes down the wire, CR included), or "AT" CR
// when there are none. `clientCpus`, when given, counts where the client ran after each timed
// round trip.
RawRoundTripResult measure(HayesModem &modem, int count, int warmup, CpuTally *clientCpus = nullptr,
                           const std::vector<std::string> &lines = {});

} // namespace RawRoundTrip
