#include "core/put_back.h"

#include <algorithm>
#include <cstring>

namespace tuma {

PutBackResult putBack(Link& link, const std::string& fileText, PutBackSteps& steps, char sep)
{
    return putBack(link, parseParameterFile(fileText), steps, sep);
}

PutBackResult putBack(Link& link, const ParsedFile& file, PutBackSteps& steps, char sep)
{
    PutBackResult r;
    r.file = file;
    if (!r.file.ok) {
        r.error = r.file.error;
        return r;
    }
    if (!commands::readConfig(link, r.before)) {
        r.stage = PutBackResult::ReadFailed;
        return r;
    }
    if (!steps.approve(r.file, r.before)) {
        r.stage = PutBackResult::Declined;
        return r;
    }
    const std::vector<bool> ticked = steps.ticked();
    if (ticked.empty())
        r.sent = r.file.image;
    else
        takeTicked(r.before, r.file.image, compareBlocks(r.before, r.file.image, sep), ticked, r.sent);
    if (!steps.keepBefore(r.file, r.before, r.sent, r.copy, r.error)) {
        r.stage = PutBackResult::CopyFailed;
        return r;
    }
    r.stage = PutBackResult::Written;
    r.written = writeVerified(link, r.sent);
    if (r.written.outcome == VerifiedWrite::Differs) {
        const Block read = *r.backBlock();
        for (BlockRow& row : compareBlocks(r.sent, read, sep))
            if (row.differs)
                r.differing.push_back(std::move(row));
    }
    return r;
}

std::optional<Block> PutBackResult::backBlock() const
{
    if (!readBack())
        return std::nullopt;
    Block b = sent;
    for (const ByteMismatch& m : written.mismatches)
        b[addr::cfg(m.address)] = m.read;
    return b;
}

std::string mismatchLine(const BlockRow& row)
{
    const std::string unit = row.unit.empty() ? std::string() : " " + row.unit;
    const std::string name = row.kind == BlockRow::Byte ? "Endereço " + std::to_string(row.address) : row.caption;
    return name + ": enviado " + row.before + unit + ", lido " + row.after + unit;
}

} // namespace tuma
