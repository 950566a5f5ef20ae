// The parameter file on its own: what it writes, what it takes back, and every kind of
// file it refuses, with the line it names. No controller, no port.
#include "core/param_file.h"
#include "core/parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tuma;

namespace {

// The factory block.
struct Factory {
    tuma::Block bytes;
    Factory() { factoryImage(bytes); }
};

const FileHeader Header{"2026-12-09 15:30:00", "2.5", "ttyUSB0", "2.5", {}};

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The line of the file on which `needle` stands, counted from 1.
size_t lineOf(const std::string& text, const std::string& needle)
{
    const size_t at = text.find(needle);
    return at == std::string::npos ? 0
                                   : 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + long(at), '\n'));
}

std::vector<uint8_t> bytesOf(const tuma::Block& image) { return {image.begin(), image.end()}; }

TEST(ParameterFile, WhatIsWrittenReadsBackToTheSameBytesAndHeader)
{
    Factory b;
    b.bytes[addr::cfg(addr::MaxCorrection)] = 31; // 48.4375 %
    b.bytes[addr::cfg(addr::ColdStartMixture)] = 24;
    b.bytes[addr::cfg(addr::OptionFlags)] = 0xA3;
    const std::string text = formatParameterFile(Header, b.bytes);
    EXPECT_NE(text.find("porc_mistura = 37.5 "), std::string::npos); // a point, whatever the user's separator
    EXPECT_NE(text.find("limite_corr = 48.4375 "), std::string::npos);
    EXPECT_NE(text.find("sonda_en = não"), std::string::npos);
    EXPECT_NE(text.find("heat_en = sim"), std::string::npos);

    const ParsedFile f = parseParameterFile(text);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(bytesOf(f.image), bytesOf(b.bytes));
    EXPECT_EQ(bytesOf(f.raw), bytesOf(b.bytes));
    EXPECT_EQ(f.header.date, Header.date);
    EXPECT_EQ(f.header.controllerVersion, "2.5");
    EXPECT_EQ(f.header.port, "ttyUSB0");
}

TEST(ParameterFile, OnlyChangedValuesAreEncodedOverTheirBytes)
{
    Factory b;
    const std::string text = formatParameterFile(Header, b.bytes);
    const struct {
        const char *from, *to;
        uint16_t address;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"tempo_partida = 1000", "tempo_partida = 2000", addr::ColdStartTime, {0x87, 0x09}},
        {"rpm_adj = 600", "rpm_adj = 1200", addr::IdlePeriod, {0x09, 0x3D}},
        {"limite_corr = 50", "limite_corr = 40", addr::MaxCorrection, {26}},
        {"heat_en = não", "heat_en = sim", addr::OptionFlags, {uint8_t(b.bytes[0] | bits::EngineHeating)}},
    };
    for (const auto& c : cases) {
        const ParsedFile f = parseParameterFile(replaced(text, c.from, c.to));
        ASSERT_TRUE(f.ok) << c.to << ": " << f.error;
        std::vector<uint8_t> expected = bytesOf(b.bytes);
        for (size_t k = 0; k < c.bytes.size(); ++k)
            expected[addr::cfg(c.address) + k] = c.bytes[k];
        EXPECT_EQ(bytesOf(f.image), expected) << c.to;
        EXPECT_EQ(bytesOf(f.raw), bytesOf(b.bytes)) << c.to;
    }
}

TEST(ParameterFile, BadFilesAreRefusedNamingTheLine)
{
    Factory b;
    const std::string good = formatParameterFile(Header, b.bytes);
    const struct {
        const char* what;
        std::string text;
        std::string error; // the whole message
    } cases[] = {
        {"out of range", replaced(good, "tempo_partida = 1000", "tempo_partida = 4001"),
         "linha " + std::to_string(lineOf(good, "tempo_partida"))
             + ": tempo_partida = 4001: Os valores devem estar entre 0 e 4000!"},
        {"a comma in a file", replaced(good, "porc_mistura = 37.5", "porc_mistura = 37,5"),
         "linha " + std::to_string(lineOf(good, "porc_mistura")) + ": porc_mistura = 37,5: Valor Incorreto!"},
        {"mixture above the correction", replaced(good, "porc_mistura = 37.5", "porc_mistura = 51"),
         "linha " + std::to_string(lineOf(good, "porc_mistura"))
             + ": porc_mistura = 51: Os valores devem estar entre 10 e a Correção Máxima em %!"},
        {"correction not a number", replaced(good, "limite_corr = 50", "limite_corr = x"),
         "linha " + std::to_string(lineOf(good, "limite_corr")) + ": Valor Incorreto!"},
        {"idle speed below its bound", replaced(good, "rpm_adj = 600", "rpm_adj = 575"),
         "linha " + std::to_string(lineOf(good, "rpm_adj"))
             + ": rpm_adj = 575: os valores devem estar entre 600 e 1500!"},
        {"idle speed not whole", replaced(good, "rpm_adj = 600", "rpm_adj = 600.5"),
         "linha " + std::to_string(lineOf(good, "rpm_adj"))
             + ": rpm_adj = 600.5: os valores devem estar entre 600 e 1500!"},
        {"option neither sim nor não", replaced(good, "heat_en = não", "heat_en = talvez"),
         "linha " + std::to_string(lineOf(good, "heat_en")) + ": heat_en deve ser \"sim\" ou \"não\""},
        {"unknown format", replaced(good, "formato = 1", "formato = 9"),
         "linha 2: formato 9 desconhecido (este programa lê o formato 1)"},
        {"truncated", good.substr(0, good.find("fim")), ""},
        {"24 bytes", good.substr(0, good.find("\nfim") - 3) + "\nfim\n", ""},
        {"a byte that is no pair", good.substr(0, good.find("\nfim") - 3) + " 0G\nfim\n", ""},
        {"unknown field", replaced(good, "fim\n", "turbo = sim\nfim\n"), ""},
        {"text after fim", good + "mais\n", ""},
        {"not UTF-8", replaced(good, "não", "n\xE3o"), ""},
        {"over 64 KiB", good + std::string(64 * 1024, '#'), "arquivo maior que 64 KiB"},
        {"empty", "", "não é um arquivo de parâmetros (falta \"formato\")"},
    };
    for (const auto& c : cases) {
        const ParsedFile f = parseParameterFile(c.text);
        EXPECT_FALSE(f.ok) << c.what;
        EXPECT_FALSE(f.error.empty()) << c.what;
        if (!c.error.empty())
            EXPECT_EQ(f.error, c.error) << c.what;
        else
            EXPECT_EQ(f.error.rfind("linha ", 0), 0u) << c.what << ": " << f.error;
    }
    // Each name once, and every one there.
    const ParsedFile twice = parseParameterFile(replaced(good, "fim\n", "temp_corr = 35\nfim\n"));
    EXPECT_NE(twice.error.find("\"temp_corr\" repetido"), std::string::npos) << twice.error;
    const ParsedFile missing = parseParameterFile(replaced(good, "temp_corr = 35", ""));
    EXPECT_NE(missing.error.find("falta o campo \"temp_corr\""), std::string::npos) << missing.error;
}

TEST(ParameterFile, WhatEditorsLeaveIsAccepted)
{
    Factory b;
    std::string text = "\xEF\xBB\xBF" + formatParameterFile(Header, b.bytes); // a byte-order mark
    text = replaced(text, "tempo_partida = 1000", "  tempo_partida=1000   # edited");
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const ParsedFile f = parseParameterFile(crlf);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(bytesOf(f.image), bytesOf(b.bytes));
}

} // namespace

namespace {

TEST(ParameterFile, VehicleDetailsAreFreeTextInTheHeader)
{
    Factory b;
    FileHeader h = Header;
    h.vehicle.client = "Oficina #1 = a melhor";
    h.vehicle.plate = "abc1d23";
    h.vehicle.notes = "troca de bicos\nsegunda linha";
    const std::string text = formatParameterFile(h, b.bytes);
    EXPECT_NE(text.find("observacoes = troca de bicos segunda linha\n"), std::string::npos);
    const ParsedFile f = parseParameterFile(text);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(f.header.vehicle.client, "Oficina #1 = a melhor");
    EXPECT_EQ(f.header.vehicle.plate, "abc1d23");
    EXPECT_EQ(f.header.vehicle.notes, "troca de bicos segunda linha");
    // Files without them, as tuma-cli writes its backups, say nothing of them.
    const std::string plain = formatParameterFile(Header, b.bytes);
    EXPECT_EQ(plain.find("cliente"), std::string::npos);
    EXPECT_TRUE(parseParameterFile(plain).ok);
}

} // namespace
