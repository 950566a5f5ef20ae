#include "core/block_compare.h"

#include "core/parameters.h"
#include "core/texts.h"

#include <cstdio>
#include <cstring>

namespace tuma {

namespace {
std::string hexByte(uint8_t b)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}
} // namespace

std::vector<BlockRow> compareBlocks(const Block& before, const Block& after, char sep)
{
    std::vector<BlockRow> rows;
    bool shown[addr::ConfigCount]{};
    for (size_t i = 0; i < parameterCount(); ++i) {
        const Parameter& p = parameterTable()[i];
        for (size_t k = 0; k < p.width; ++k)
            shown[addr::cfg(p.address) + k] = true;
        const std::string a = shownText(p, before, "1", sep), b = shownText(p, after, "1", sep);
        rows.push_back({BlockRow::Field, p.caption, p.unit, a, b, p.address, a != b, p.width});
    }
    const size_t flagsAt = addr::cfg(addr::OptionFlags);
    const auto flagRow = [&](BlockRow::Kind kind, const char* caption, uint8_t bit, const char* on, const char* off) {
        const bool a = before[flagsAt] & bit, b = after[flagsAt] & bit;
        rows.push_back({kind, caption, "", a ? on : off, b ? on : off, addr::OptionFlags, a != b, 1, bit});
    };
    for (const OptionBit& o : Options)
        flagRow(BlockRow::Option, o.caption, o.bit, texts::Yes, texts::No);
    flagRow(BlockRow::Lamp, texts::LambdaIdleLamp, bits::LambdaIdleLearned, texts::Learned, texts::NotLearned);
    flagRow(BlockRow::Lamp, texts::MapLamp, bits::MapLearned, texts::Learned, texts::NotLearned);
    for (size_t i = 0; i < addr::ConfigCount; ++i) {
        const uint8_t mask = i == flagsAt ? static_cast<uint8_t>(~bits::OptionMask) : 0xFF;
        if (!shown[i] && (before[i] & mask) != (after[i] & mask))
            rows.push_back({BlockRow::Byte, "", "", hexByte(before[i]), hexByte(after[i]),
                            static_cast<uint16_t>(i + addr::ConfigFirst), true, 1, mask});
    }
    return rows;
}

void takeTicked(const Block& base, const Block& from, const std::vector<BlockRow>& rows,
                const std::vector<bool>& ticked, Block& out)
{
    out = base;
    for (size_t r = 0; r < rows.size() && r < ticked.size(); ++r) {
        if (!ticked[r])
            continue;
        const BlockRow& row = rows[r];
        for (size_t k = 0; k < row.width; ++k) {
            const size_t i = addr::cfg(row.address) + k;
            out[i] = static_cast<uint8_t>((out[i] & ~row.mask) | (from[i] & row.mask));
        }
    }
}

VerifiedWrite writeVerified(Link& link, const Block& image)
{
    VerifiedWrite result;
    // The write's answer lands in the buffer it sent; the comparison needs the bytes.
    Block sent = image;
    if (!commands::writeConfig(link, sent)) {
        result.outcome = VerifiedWrite::WriteFailed;
        return result;
    }
    Block back{};
    if (!commands::readConfig(link, back)) {
        result.outcome = VerifiedWrite::ReadBackFailed;
        return result;
    }
    for (size_t i = 0; i < addr::ConfigCount; ++i)
        if (back[i] != image[i])
            result.mismatches.push_back({static_cast<uint16_t>(i + addr::ConfigFirst), image[i], back[i]});
    result.outcome = result.mismatches.empty() ? VerifiedWrite::Verified : VerifiedWrite::Differs;
    return result;
}

} // namespace tuma
