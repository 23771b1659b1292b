// The pseudo-terminal's own round trip, the floor a dialogue step is compared with: a plain
// program on the slave side writes a short command line ("AT" CR) and blocks (poll + read)
// until the simulated modem's "0" CR has come back, thousands of times. Same device, same
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
};

namespace RawRoundTrip {

// The port must not be open in the program meanwhile. Clears the modem's log before and after.
// `clientCpus`, when given, counts where the client ran after each timed round trip.
RawRoundTripResult measure(HayesModem &modem, int count, int warmup,
                           CpuTally *clientCpus = nullptr);

} // namespace RawRoundTrip
