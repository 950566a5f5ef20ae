#pragma once
// A device for link tests: records every request with its time and answers from a
// script of byte chunks separated by pauses.
#include "core/crc8.h"
#include "sim/sim_line.h"

#include <deque>
#include <vector>

namespace tuma::test {

struct Chunk {
    int64_t pauseUs; // before the chunk
    std::vector<uint8_t> bytes;
};
using Reply = std::vector<Chunk>; // empty: no answer

inline std::vector<uint8_t> withCrc(std::vector<uint8_t> bytes)
{
    bytes.push_back(Crc8(bytes.data(), static_cast<uint32_t>(bytes.size())));
    return bytes;
}

struct Request {
    int64_t atUs;
    std::vector<uint8_t> bytes;
};

class ScriptedDevice : public Device {
public:
    void receive(uint8_t byte, int64_t atUs, LineOutput& out) override
    {
        current.push_back(byte);
        if (current.size() >= 5 && current.size() == 6u + current[4]) {
            requests.push_back({atUs, current});
            current.clear();
            if (!replies.empty()) {
                Reply r = replies.front();
                replies.pop_front();
                int64_t t = atUs + latencyUs;
                for (const Chunk& c : r) {
                    t += c.pauseUs;
                    for (uint8_t b : c.bytes) {
                        t += ByteTimeUs;
                        out.send(b, t);
                    }
                }
            }
        }
    }
    bool unplugged() const override { return gone; }

    void answer(std::vector<uint8_t> frame) { replies.push_back({{0, std::move(frame)}}); }
    void silence(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            replies.push_back({});
    }

    std::deque<Reply> replies;
    std::vector<Request> requests;
    std::vector<uint8_t> current;
    int64_t latencyUs = 1000;
    bool gone = false;
};

} // namespace tuma::test
