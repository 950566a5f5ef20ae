#include "history/trouble.h"

namespace tuma::history {

namespace {

const char* doingText(Trouble::Doing doing)
{
    switch (doing) {
    case Trouble::Doing::Nothing:
        return "";
    case Trouble::Doing::ReadCopy:
        return "A cópia do histórico não pôde ser lida";
    case Trouble::Doing::Open:
        return "O histórico não pôde ser aberto";
    case Trouble::Doing::OnlyRead:
        return "O histórico só pode ser lido";
    case Trouble::Doing::Read:
        return "O histórico não pôde ser lido";
    case Trouble::Doing::Prepare:
        return "O histórico não pôde ser preparado";
    case Trouble::Doing::Create:
        return "O histórico não pôde ser criado";
    case Trouble::Doing::Keep:
        return "Um registro não pôde ser guardado no histórico";
    case Trouble::Doing::KeepOutcome:
        return "O resultado de uma gravação não pôde ser guardado no histórico";
    case Trouble::Doing::Annotate:
        return "A anotação não pôde ser guardada no histórico";
    case Trouble::Doing::NewerLayout:
        return "O histórico foi criado por uma versão mais nova do programa: ele é mostrado, mas nada é "
               "acrescentado a ele";
    }
    return "";
}

std::string causeText(const Trouble& t)
{
    switch (t.cause) {
    case Trouble::Cause::Damaged:
        return "o arquivo está danificado; ele foi deixado como está";
    case Trouble::Cause::Busy:
        return "outro programa o mantém ocupado há tempo demais";
    case Trouble::Cause::CannotWrite:
        return "não é possível escrever na pasta ou no arquivo";
    case Trouble::Cause::DiskFull:
        return "o disco está cheio";
    case Trouble::Cause::Unknown:
        return t.detail.empty() ? "erro desconhecido" : t.detail;
    case Trouble::Cause::None:
        break;
    }
    return "";
}

} // namespace

std::string troubleText(const Trouble& t)
{
    if (t.empty())
        return "";
    const std::string why = causeText(t);
    return doingText(t.doing) + (why.empty() ? "" : ": " + why) + " (" + t.file + ")";
}

} // namespace tuma::history
