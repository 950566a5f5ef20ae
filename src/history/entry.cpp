#include "history/entry.h"

#include "core/workshop_files.h"

#include <ctime>

namespace tuma::history {

Outcome outcomeOf(const VerifiedWrite& w)
{
    switch (w.outcome) {
    case VerifiedWrite::Verified:
        return Outcome::Verified;
    case VerifiedWrite::WriteFailed:
        return Outcome::WriteFailed;
    case VerifiedWrite::ReadBackFailed:
        return Outcome::ReadBackFailed;
    case VerifiedWrite::Differs:
        return Outcome::Differs;
    }
    return Outcome::WriteFailed;
}

std::vector<std::string> changedCaptions(const Block& before, const Block& after)
{
    std::vector<std::string> names;
    for (const BlockRow& row : compareBlocks(before, after, '.'))
        if (row.differs)
            names.push_back(row.kind != BlockRow::Byte         ? row.caption
                                : row.address == addr::Mixture ? std::string("Mistura (endereço 3)")
                                                               : "Endereço " + std::to_string(row.address));
    return names;
}

std::optional<Block> restorable(const Entry& e)
{
    if (e.block)
        return e.block;
    return e.kind == Kind::Unwritten ? e.sent : std::nullopt;
}

Entry entryNow(Kind kind, const std::string& port, const std::string& controllerVersion,
               const std::string& programVersion)
{
    Entry e;
    e.at = static_cast<int64_t>(std::time(nullptr));
    e.kind = kind;
    e.port = port;
    e.controllerVersion = controllerVersion;
    e.programVersion = programVersion;
    return e;
}

std::string localStamp(int64_t at) { return files::headerStamp(files::Moment::fromEpochMs(at * 1000)); }

ParsedFile fileOf(const Entry& e)
{
    ParsedFile f;
    const std::optional<Block> block = restorable(e);
    f.ok = block.has_value();
    if (!f.ok)
        f.error = "o registro " + std::to_string(e.id) + " não guarda um bloco de parâmetros";
    f.header = {localStamp(e.at), e.controllerVersion, e.port, e.programVersion, e.vehicle};
    if (block) {
        f.image = *block;
        f.raw = *block;
    }
    return f;
}

std::string kindText(Kind kind)
{
    switch (kind) {
    case Kind::Read:
        return "Leitura";
    case Kind::Write:
        return "Gravação";
    case Kind::PutBack:
        return "Gravação conferida (comparação)";
    case Kind::Mixture:
        return "Programação da Mistura";
    case Kind::Reset:
        return "Resetar Programação";
    case Kind::LambdaIdle:
        return "Programar Sonda / RPM";
    case Kind::Map:
        return "Programar MAP";
    case Kind::Unwritten:
        return "não gravado";
    case Kind::Finding:
        return "Diagnóstico";
    case Kind::GuidedCheck:
        return "Verificação guiada";
    case Kind::GuidedCheckInterrupted:
        return "Verificação interrompida";
    }
    return "?";
}

std::string outcomeText(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done:
        return "";
    case Outcome::Verified:
        return "conferida";
    case Outcome::WriteFailed:
        return "falha na gravação";
    case Outcome::ReadBackFailed:
        return "falha na leitura de conferência";
    case Outcome::Differs:
        return "o controlador guardou outros valores";
    case Outcome::Sending:
        return "enviada; o programa terminou antes do resultado";
    case Outcome::NotAnswered:
        return "sem resposta do controlador";
    case Outcome::NotFinished:
        return "o procedimento não foi visto terminar";
    }
    return "";
}

} // namespace tuma::history
