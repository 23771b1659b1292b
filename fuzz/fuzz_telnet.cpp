// SPDX-License-Identifier: GPL-3.0-or-later
// The Telnet decoder and the option bookkeeping given any server stream, cut into reads of any
// sizes. Input: one byte whose low 3 bits count the read sizes that follow and whose bit 3 makes
// the line an RFC 2217 one, those sizes (one byte each, plus one), then the stream.
// Whatever the cuts, the data and the events are those of the whole stream at once; no
// subnegotiation holds more than the limit; data bytes survive doubling and undoubling; a
// subnegotiation we encode comes back whole; and the same negotiation twice gets no second reply.
#include "fuzzcheck.h"

#include "telnetcodec.h"
#include "telnetoptions.h"

#include <QList>

#include <algorithm>
#include <vector>

using namespace Telnet;

namespace {

struct Decoded
{
    QByteArray data;
    QList<Event> events;
};

Decoded decode(const QByteArray &stream, const std::vector<qsizetype> &sizes)
{
    Decoder decoder;
    Decoded out;
    qsizetype at = 0;
    for (std::size_t k = 0; at < stream.size(); ++k) {
        const qsizetype size = sizes.empty() ? stream.size() : sizes[k % sizes.size()];
        decoder.feed(QByteArrayView(stream).sliced(at, std::min(size, stream.size() - at)),
                     out.data, out.events);
        at += size;
    }
    return out;
}

bool same(const Event &a, const Event &b)
{
    return a.kind == b.kind && a.option == b.option && a.payload == b.payload
           && a.truncated == b.truncated;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t head = in.byte();
    std::vector<qsizetype> sizes;
    for (int k = 0; k < (head & 7); ++k)
        sizes.push_back(qsizetype(in.byte()) + 1);
    const QByteArray stream = in.rest();

    const Decoded whole = decode(stream, {});
    const Decoded cut = decode(stream, sizes);
    FUZZ_CHECK(cut.data == whole.data);
    FUZZ_CHECK(cut.events.size() == whole.events.size());
    for (qsizetype k = 0; k < whole.events.size(); ++k)
        FUZZ_CHECK(same(cut.events[k], whole.events[k]));
    FUZZ_CHECK(whole.data.size() <= stream.size());

    TelnetOptions options((head & 8) != 0);
    (void)options.start();
    for (const Event &event : whole.events) {
        FUZZ_CHECK(event.payload.size() <= Decoder::PayloadLimit);
        const QByteArray reply = options.handle(event);
        FUZZ_CHECK(reply.isEmpty() || reply.size() == 3);
        FUZZ_CHECK(options.handle(event).isEmpty());
        if (event.kind == Event::Kind::Subnegotiation && !event.truncated) {
            // What the server sent, sent back by us: the same payload.
            const Decoded again =
                decode(Encode::subnegotiation(event.option, event.payload), sizes);
            FUZZ_CHECK(again.data.isEmpty() && again.events.size() == 1);
            FUZZ_CHECK(same(again.events[0], event));
        }
    }

    // The data bytes (and the raw stream itself) doubled and undoubled.
    for (const QByteArray &original : {whole.data, stream}) {
        const Decoded back = decode(Encode::data(original), sizes);
        FUZZ_CHECK(back.data == original);
        FUZZ_CHECK(back.events.isEmpty());
    }
    return 0;
}
