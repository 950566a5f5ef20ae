#include "cli/args.h"

#include "core/number_text.h"

namespace tuma::cli {

const char* const Usage
    = "uso: tuma-cli [-p PORTA] COMANDO [argumentos]\n"
      "\n"
      "  ports [--probe]              as portas seriais; com --probe, pergunta a versão em cada uma\n"
      "  -p PORTA version             a versão do controlador\n"
      "  -p PORTA backup [ARQUIVO]    salva os parâmetros (sem ARQUIVO: \"tuma AAAA-MM-DD HHMM.tuma\");\n"
      "                               --force sobrescreve um arquivo que já existe\n"
      "  show ARQUIVO                 mostra os parâmetros de um arquivo\n"
      "  diff ARQUIVO [ARQUIVO2]      o que difere entre dois arquivos ou, com -p, entre o arquivo\n"
      "                               e o controlador (saída 0: iguais, 1: diferentes)\n"
      "  -p PORTA restore ARQUIVO     grava o arquivo no controlador e confere byte a byte;\n"
      "                               --yes dispensa a confirmação\n"
      "  -p PORTA log [ARQUIVO.csv]   registra os valores atuais a cada 500 ms até Ctrl+C;\n"
      "                               --seconds N para depois de N segundos\n"
      "  history [--filter TEXTO] [--limit N]\n"
      "                               o histórico do controlador, do mais novo ao mais antigo\n"
      "  history show ID              um registro do histórico, campo a campo\n"
      "  history export ID ARQUIVO    salva o bloco de um registro como arquivo de parâmetros\n"
      "  -p PORTA history restore ID  grava o bloco de um registro no controlador e confere;\n"
      "                               --yes dispensa a confirmação\n"
      "  --history ARQUIVO            outro histórico que não o do programa\n"
      "\n"
      "PORTA como na Configuração Porta Serial: COM5, ttyUSB0, pts/3 ou um caminho.\n"
      "Saída: 0 feito, 1 falha do controlador, da comunicação ou da conferência, 2 uso ou arquivo inválido.\n";

Args parseArgs(const std::vector<std::string>& args)
{
    Args a;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s == "-p" || s == "--port") {
            if (i + 1 >= args.size()) {
                a.error = "-p pede o nome da porta";
                return a;
            }
            a.port = args[++i];
        } else if (s == "--force") {
            a.force = true;
        } else if (s == "--yes" || s == "-y") {
            a.yes = true;
        } else if (s == "--probe") {
            a.probe = true;
        } else if (s == "--seconds" || s == "--limit") {
            int32_t n = 0;
            if (i + 1 >= args.size() || !tryParseInteger(args[i + 1], n) || n <= 0) {
                a.error = s == "--seconds" ? "--seconds pede um número inteiro de segundos maior que zero"
                                           : "--limit pede um número inteiro maior que zero";
                return a;
            }
            (s == "--seconds" ? a.seconds : a.limit) = n;
            ++i;
        } else if (s == "--filter" || s == "--history") {
            if (i + 1 >= args.size()) {
                a.error = s + " pede um texto";
                return a;
            }
            (s == "--filter" ? a.filter : a.history) = args[++i];
        } else if (s == "-h" || s == "--help") {
            a.help = true;
        } else if (!s.empty() && s[0] == '-' && s != "-") {
            a.error = "opção desconhecida: " + s;
            return a;
        } else if (a.command.empty()) {
            a.command = s;
        } else {
            a.positional.push_back(s);
        }
    }
    return a;
}

} // namespace tuma::cli
