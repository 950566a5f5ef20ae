// libFuzzer target on the answer path of Exchange: random answer bytes, lengths and
// pauses, random requests and caller room. Checks that nothing is written past the
// caller's room, that a failed exchange leaves the buffer alone, and that an accepted
// answer is exactly one that passes the CRC.
#include "core/crc8.h"
#include "core/link.h"
#include "sim/sim_line.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace tuma;

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    uint8_t next() { return pos < size ? data[pos++] : 0; }
    bool done() const { return pos >= size; }
};

class FuzzDevice : public Device {
public:
    explicit FuzzDevice(Input& in) : input(in) { }
    void receive(uint8_t byte, int64_t atUs, LineOutput& out) override
    {
        if (length == 0 && byte != 0xF3)
            return;
        request[length++] = byte;
        if (length >= 5 && length == 6u + request[4]) {
            length = 0;
            answer(atUs, out);
        }
    }
    bool unplugged() const override { return gone; }
    bool gone = false;

private:
    void answer(int64_t t, LineOutput& out)
    {
        const uint8_t shape = input.next();
        size_t n = input.next() % 112;
        uint8_t bytes[112];
        for (size_t i = 0; i < n; ++i)
            bytes[i] = input.next();
        if ((shape & 1) && n > 0) // a well-formed check byte
            bytes[n - 1] = Crc8(bytes, static_cast<uint32_t>(n - 1));
        for (size_t i = 0; i < n; ++i) {
            if ((shape & 2) && (input.next() & 0x0F) == 0)
                t += (input.next() % 60) * 1000; // a pause, maybe past the 20 ms gap
            t += ByteTimeUs;
            out.send(bytes[i], t);
        }
        if ((shape & 0xF0) == 0xF0)
            gone = true;
    }
    Input& input;
    uint8_t request[128] = {};
    size_t length = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input input{data, size};
    VirtualClock clock;
    FuzzDevice device(input);
    Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, device); });
    if (!link.OpenPort("fuzz"))
        return 0;
    for (int round = 0; round < 8 && !input.done(); ++round) {
        const uint8_t command = input.next();
        const uint16_t address = static_cast<uint16_t>(input.next() << 8 | input.next());
        const uint8_t count = input.next() % 100;
        const size_t room = input.next() % 100;
        // Exactly the room, on the heap, so that AddressSanitizer sees any overrun.
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[room > 0 ? room : 1]);
        for (size_t i = 0; i < room; ++i)
            buffer[i] = static_cast<uint8_t>(i * 7 + 3);
        std::vector<uint8_t> before(buffer.get(), buffer.get() + room);
        const bool ok = link.Exchange(command, address, count, buffer.get(), room);
        if (!ok) {
            if (room > 0 && std::memcmp(before.data(), buffer.get(), room) != 0)
                std::abort(); // a failed exchange wrote into the caller's buffer
        } else {
            const uint32_t n = link.transferCount();
            if (n == 0 || Crc8(link.frameBuffer(), n) != 0)
                std::abort(); // accepted an answer that fails the CRC
            const size_t copied = n > 3 ? std::min<size_t>(n - 3, room) : 0;
            if (copied > 0 && std::memcmp(buffer.get(), link.frameBuffer() + 2, copied) != 0)
                std::abort();
        }
        if (!link.portOpen()) {
            if (!(input.next() & 1))
                break;
            device.gone = false;
            link.OpenPort("fuzz");
        }
    }
    return 0;
}
