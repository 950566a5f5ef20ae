// "Procurar controlador...": every port asked with the port dialog's very request and
// the link's timing, a busy port passed by, the PC's own ports only when every port is
// asked, the connected one never opened again, and every port closed after its turn.
#include "core/crc8.h"
#include "core/port_search.h"
#include "sim/controller.h"
#include "sim/sim_line.h"

#include <gtest/gtest.h>

#include <map>

using namespace tuma;

namespace {

// A port whose open the system refuses, with its reason.
class RefusedPort : public SimLinePort {
public:
    RefusedPort(Clock& c, Device& d, PortError why) : SimLinePort(c, d), reason(why) { }
    bool open(const char*) override { return false; }
    PortError lastError() const override { return reason; }

private:
    PortError reason;
};

class Counted : public SimLinePort {
public:
    Counted(Clock& c, Device& d, int& open) : SimLinePort(c, d), alive(open) { ++alive; }
    ~Counted() override { --alive; }

private:
    int& alive;
};

struct Bench {
    VirtualClock clock;
    sim::Controller answering, silent;
    std::map<std::string, int> made;
    int alive = 0;
    Bench()
    {
        silent.setFault(sim::Fault::Silent);
        answering.logFrames = silent.logFrames = true;
    }
    Link::PortFactory factory()
    {
        return [this](const std::string& name) -> std::unique_ptr<SerialPort> {
            ++made[name];
            if (name == "COM3")
                return std::make_unique<RefusedPort>(clock, answering, PortError::Busy);
            if (name == "ttyUSB1")
                return std::make_unique<RefusedPort>(clock, answering, PortError::Denied);
            if (name == "COM9")
                return std::make_unique<RefusedPort>(clock, answering, PortError::DeviceGone);
            return std::make_unique<Counted>(clock, name == "COM5" || name == "ttyS0" ? answering : silent, alive);
        };
    }
    const std::vector<PortEntry> ports{{"ttyS0", ""},
                                       {"COM1", "Porta de comunicação (COM1)"},
                                       {"COM3", "USB-SERIAL CH340 (COM3)"},
                                       {"COM4", "Prolific USB-to-Serial Comm Port (COM4)"},
                                       {"COM5", "USB Serial Port (COM5)"},
                                       {"ttyUSB1", "FT232R USB UART"},
                                       {"COM9", ""}};
};

std::vector<std::string> results(const PortSearch& s)
{
    std::vector<std::string> out;
    for (const PortProbe& p : s.probes())
        out.push_back(p.port.name + ": " + probeText(p));
    return out;
}

} // namespace

TEST(PortSearch, EachPortAskedInTurnWithTheDialogsRequestAndClosedAgain)
{
    Bench b;
    PortSearch search(b.ports, false, b.factory(), posixDevicePath);
    int turns = 0;
    while (search.next())
        ++turns;
    EXPECT_EQ(turns, 5) << "the PC's own two ports are not asked";
    EXPECT_EQ(results(search),
              (std::vector<std::string>{
                  "ttyS0: porta do próprio computador: não procurada (marque \"Todas as portas\")",
                  "COM1: porta do próprio computador: não procurada (marque \"Todas as portas\")",
                  "COM3: ocupada por outro programa: não procurada",
                  "COM4: sem resposta",
                  "COM5: respondeu: controlador versão 2.5",
                  "ttyUSB1: sem permissão, ou ocupada por outro programa",
                  "COM9: não pôde ser aberta",
              }));
    EXPECT_EQ(search.found(), std::vector<std::string>{"COM5"});
    EXPECT_EQ(b.made.count("ttyS0") + b.made.count("COM1"), 0u);
    EXPECT_EQ(b.alive, 0) << "no port is left open";

    // Exactly the request the port dialog's OK sends, once, to the port that answers;
    // the silent one had the link's three attempts.
    ASSERT_EQ(b.answering.frames.size(), 1u);
    EXPECT_EQ(b.answering.frames[0].command, 3);
    EXPECT_EQ(b.answering.frames[0].address, 1);
    EXPECT_EQ(b.answering.frames[0].data, std::vector<uint8_t>{0});
    EXPECT_EQ(b.silent.frames.size(), 3u);
}

TEST(PortSearch, EveryPortWhenAskedAndTheConnectedOneNeverOpenedAgain)
{
    Bench b;
    PortSearch search(b.ports, true, b.factory(), posixDevicePath, "COM5", "2.5");
    while (search.next()) {
    }
    EXPECT_EQ(probeText(search.probes()[0]), "respondeu: controlador versão 2.5") << "ttyS0, asked this time";
    EXPECT_EQ(probeText(search.probes()[4]), "já conectada neste programa: controlador versão 2.5");
    EXPECT_EQ(b.made.count("COM5"), 0u) << "the port this program holds is not opened again";
    EXPECT_EQ(search.found(), (std::vector<std::string>{"ttyS0", "COM5"}));
    EXPECT_EQ(b.alive, 0);
}

TEST(PortSearch, ThePCsOwnPorts)
{
    const struct {
        PortEntry port;
        bool builtIn;
    } cases[] = {
        {{"ttyS0", ""}, true},
        {{"ttyS31", "16550A"}, true},
        {{"COM1", "Communications Port (COM1)"}, true},
        {{"COM2", "Porta de comunicação (COM2)"}, true},
        {{"COM3", "USB-SERIAL CH340 (COM3)"}, false},
        {{"ttyUSB0", "FT232R USB UART"}, false},
        {{"ttyACM0", ""}, false},
        {{"COM5", ""}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(builtInPort(c.port), c.builtIn) << c.port.name << " " << c.port.description;
}
