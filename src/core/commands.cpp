#include "core/commands.h"

#include <cstring>

namespace tuma::commands {

namespace {
// GetVersion and SetProgramMode name the parameter block's first address.
constexpr uint16_t CommandAddress = 1;
} // namespace

bool readVersion(Link& link, Version& version)
{
    uint8_t data[2] = {0, 0};
    if (!link.Exchange(cmd::GetVersion, CommandAddress, 1, data))
        return false;
    version.major = data[0];
    version.minor = data[1];
    return true;
}

bool readConfig(Link& link, Block& image)
{
    Block incoming = image;
    if (!link.Exchange(cmd::ReadConfig, addr::ConfigFirst, addr::ConfigCount, incoming)
        || link.lastPayloadLength() < addr::ConfigCount)
        return false;
    image = incoming;
    return true;
}

bool writeConfig(Link& link, Block& image)
{
    return link.Exchange(cmd::WriteConfig, addr::ConfigFirst, addr::ConfigCount, image);
}

bool readLive(Link& link, LiveImage& live)
{
    return link.Exchange(cmd::ReadLive, addr::LiveFirst, addr::LiveCount, live);
}

bool readShortLive(Link& link, LiveImage& live)
{
    return link.Exchange(cmd::ReadLive, addr::ShortLiveFirst, addr::LiveCount, live);
}

bool readStatus(Link& link, LiveImage& buffer, uint8_t& status)
{
    // An answer without the status byte would leave other bytes in its place, and
    // they could read as "finished".
    if (!link.Exchange(cmd::ReadLive, addr::Status, addr::StatusCount, buffer) || link.lastPayloadLength() < 1)
        return false;
    status = buffer[0];
    return true;
}

bool setProgramMode(Link& link, uint8_t mode)
{
    uint8_t data[1] = {mode};
    return link.Exchange(cmd::SetProgramMode, CommandAddress, 1, data);
}

bool writeMixture(Link& link, uint8_t mixture)
{
    uint8_t data[1] = {mixture};
    return link.Exchange(cmd::WriteConfig, addr::Mixture, 1, data);
}

} // namespace tuma::commands
