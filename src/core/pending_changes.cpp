#include "core/pending_changes.h"

#include "core/parameters.h"
#include "core/texts.h"

#include <exception>

namespace tuma {

std::vector<PendingChange> pendingChanges(const FormState& form, char sep)
{
    std::vector<PendingChange> rows;
    if (!form.writable || form.texts.size() != parameterCount())
        return rows;
    const Block& before = form.image;
    Block after = form.image;
    for (size_t i = 0; i < parameterCount(); ++i) {
        const Parameter& p = parameterTable()[i];
        const std::string now = shownText(p, before, form.scale, sep);
        try {
            p.encode(after, form.texts[i], form.scale, sep);
        } catch (const std::exception&) {
            rows.push_back({PendingChange::Unreadable, p.caption, p.unit, now, form.texts[i]});
            continue;
        }
        const size_t at = addr::cfg(p.address);
        bool differs = false;
        for (size_t k = 0; k < p.width; ++k)
            differs = differs || after[at + k] != before[at + k];
        if (!differs)
            continue;
        const PendingChange::Kind kind = form.texts[i] == now ? PendingChange::Precision : PendingChange::Changed;
        rows.push_back({kind, p.caption, p.unit, now, shownText(p, after, form.scale, sep)});
    }
    const uint8_t flagsBefore = before[addr::cfg(addr::OptionFlags)];
    for (const OptionBit& o : Options) {
        const bool a = flagsBefore & o.bit, b = form.flags & o.bit;
        if (a != b)
            rows.push_back(
                {PendingChange::Changed, o.caption, "", a ? texts::Yes : texts::No, b ? texts::Yes : texts::No});
    }
    return rows;
}

std::optional<Block> formImage(const FormState& form, char sep)
{
    if (!form.writable || form.texts.size() != parameterCount())
        return std::nullopt;
    Block image = form.image;
    try {
        for (size_t i = 0; i < parameterCount(); ++i)
            parameterTable()[i].encode(image, form.texts[i], form.scale, sep);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    image[addr::cfg(addr::OptionFlags)] = form.flags;
    return image;
}

} // namespace tuma
