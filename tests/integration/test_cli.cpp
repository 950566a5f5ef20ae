// tuma-cli's commands against the simulated controller behind a real pseudo-terminal,
// through Qt SerialPort: what reaches the controller, and what never does.
#include "cli/cli.h"
#include "core/commands.h"
#include "core/drive_log.h"
#include "core/memory_map.h"
#include "core/param_file.h"
#include "ports/qt_serial_port.h"
#include "ports/system.h"
#include "sim/pty_server.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace tuma;
using tuma::sim::Controller;
using tuma::sim::Fault;
using tuma::sim::PtyServer;

namespace {

class Cli : public ::testing::Test {
protected:
    Controller controller;
    PtyServer server{controller};
    std::string dir;
    std::ostringstream out, err;
    std::istringstream in;
    std::string historyFile, oldHistoryFile; // the tool's own; empty: none

    void SetUp() override
    {
        controller.logFrames = true;
        ASSERT_TRUE(server.start());
        server.startThread();
        char tmpl[] = "/tmp/tuma-cli-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override
    {
        server.stop();
        std::system(("rm -rf " + dir).c_str());
    }
    int run(std::vector<std::string> args, bool terminal = false)
    {
        out.str({});
        err.str({});
        cli::CliSystem s;
        s.portFactory = [](const std::string&) { return std::make_unique<QtSerialPort>(); };
        s.in = &in;
        s.out = &out;
        s.err = &err;
        s.inputIsTerminal = terminal;
        s.programVersion = "2.5";
        s.replaceFile = replaceFile;
        s.historyFile = historyFile;
        s.oldHistoryFile = oldHistoryFile;
        args.insert(args.begin(), {"-p", server.portName()});
        return cli::runCli(args, s);
    }
    std::string path(const std::string& name) { return dir + "/" + name; }
    std::string file(const std::string& name)
    {
        std::ifstream f(path(name));
        return {std::istreambuf_iterator<char>(f), {}};
    }
    void save(const std::string& name, const std::string& text) { std::ofstream(path(name)) << text; }
    std::vector<sim::Frame> writes()
    {
        std::lock_guard<std::mutex> g(server.mutex());
        std::vector<sim::Frame> w;
        for (const sim::Frame& f : controller.frames)
            if (f.command == cmd::WriteConfig)
                w.push_back(f);
        return w;
    }
    std::vector<uint8_t> block()
    {
        std::lock_guard<std::mutex> g(server.mutex());
        return {controller.memory.begin() + 1, controller.memory.begin() + 26};
    }
    void fault(Fault f)
    {
        std::lock_guard<std::mutex> g(server.mutex());
        controller.setFault(f);
    }
    static bool exists(const std::string& p) { return std::filesystem::exists(p); }
    static long lines(const std::string& s) { return std::count(s.begin(), s.end(), '\n'); }
    static std::string replaced(std::string text, const std::string& from, const std::string& to)
    {
        const size_t at = text.find(from);
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    }
};

TEST_F(Cli, BackupThenRestoreWritesBackTheVeryBytesRead)
{
    {
        // Bytes that the conversions do not reproduce: the file must keep them.
        std::lock_guard<std::mutex> g(server.mutex());
        controller.memory[addr::ColdStartTime] = 0xC5;
        controller.memory[8] = 0xAB; // a byte no field shows
    }
    const std::vector<uint8_t> before = block();
    ASSERT_EQ(run({"backup", path("a.tuma")}), 0) << err.str();
    EXPECT_NE(run({"backup", path("a.tuma")}), 0) << "an existing backup is never overwritten";
    ASSERT_EQ(run({"restore", path("a.tuma"), "--yes"}), 0) << err.str();
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0].data, before);
    EXPECT_NE(out.str().find("Verificado"), std::string::npos);
}

TEST_F(Cli, AnEditedValueIsWrittenVerifiedAndTheOldBlockKept)
{
    ASSERT_EQ(run({"backup", path("a.tuma")}), 0);
    save("b.tuma", replaced(file("a.tuma"), "tempo_partida = 1000", "tempo_partida = 2000"));
    EXPECT_EQ(run({"diff", path("a.tuma"), path("b.tuma")}), 1);
    EXPECT_NE(out.str().find("Tempo Injec.: 1000 ms -> 2000 ms"), std::string::npos) << out.str();
    ASSERT_EQ(run({"restore", path("b.tuma"), "--yes"}), 0) << err.str();
    // The automatic copy beside the file holds what the controller had before.
    const size_t at = out.str().find(dir + "/tuma ");
    ASSERT_NE(at, std::string::npos) << out.str();
    const std::string copy = out.str().substr(at, out.str().find('\n', at) - at);
    EXPECT_EQ(run({"diff", path("a.tuma"), copy}), 0) << out.str();
    const std::vector<uint8_t> now = block();
    EXPECT_EQ(now[addr::cfg(addr::ColdStartTime)], 0x87); // 2000 ms as the form writes it
    EXPECT_EQ(now[addr::cfg(addr::ColdStartTime) + 1], 0x09);
    EXPECT_EQ(run({"diff", path("b.tuma")}), 0) << out.str();
    EXPECT_EQ(run({"diff", path("a.tuma")}), 1);
}

TEST_F(Cli, BadFilesAreRefusedWithTheirLineAndNothingIsWritten)
{
    ASSERT_EQ(run({"backup", path("a.tuma")}), 0);
    const std::string good = file("a.tuma");
    const struct {
        const char* name;
        std::string text;
        const char* says;
    } cases[] = {
        {"out of range", replaced(good, "tempo_partida = 1000", "tempo_partida = 4001"), "entre 0 e 4000"},
        {"not a number", replaced(good, "temp_max_cold = 20", "temp_max_cold = 2x"), "Valor Incorreto"},
        {"mixture above the correction", replaced(good, "porc_mistura = 37.5", "porc_mistura = 51"), "Correção Máxima"},
        {"truncated", good.substr(0, good.size() / 2), "linha"},
        {"unknown format", replaced(good, "formato = 1", "formato = 9"), "formato 9"},
        {"missing field", replaced(good, "temp_corr = 35", ""), "temp_corr"},
        {"duplicated field", good + "", "repetido"},
        {"24 bytes", replaced(good, " EF\nfim", "\nfim"), "25 pares"},
        {"not UTF-8", replaced(good, "não", "n\xE3o"), "UTF-8"},
        {"too large", good + std::string(70000, '#'), "64 KiB"},
        {"unknown option text", replaced(good, "heat_en = não", "heat_en = talvez"), "heat_en"},
    };
    std::string duplicated = replaced(good, "fim\n", "temp_corr = 35\nfim\n");
    for (const auto& c : cases) {
        save("bad.tuma", std::string(c.name) == "duplicated field" ? duplicated : c.text);
        EXPECT_EQ(run({"restore", path("bad.tuma"), "--yes"}), 2) << c.name;
        EXPECT_NE(err.str().find(c.says), std::string::npos) << c.name << ": " << err.str();
        EXPECT_EQ(lines(err.str()), 1) << c.name << ": " << err.str();
    }
    EXPECT_TRUE(writes().empty());
    // Without a terminal nobody can confirm: refused before the port is touched.
    EXPECT_EQ(run({"restore", path("a.tuma")}), 2);
    in.str("n\n");
    EXPECT_EQ(run({"restore", path("a.tuma")}, true), 0);
    EXPECT_NE(out.str().find("Nada foi gravado"), std::string::npos);
    EXPECT_TRUE(writes().empty());
}

TEST_F(Cli, FaultsFailClearlyAndVerificationNeverLies)
{
    ASSERT_EQ(run({"backup", path("a.tuma")}), 0);
    save("b.tuma", replaced(file("a.tuma"), "limite_corr = 50", "limite_corr = 40"));
    for (Fault f : sim::allFaults()) {
        if (f == Fault::None)
            continue;
        fault(f);
        const int code = run({"restore", path("b.tuma"), "--yes"});
        fault(Fault::None);
        const bool verified = out.str().find("Verificado") != std::string::npos;
        if (code == 0) { // the link got through (a lost answer retried, USB chunks)
            EXPECT_TRUE(verified) << sim::faultName(f);
            const ParsedFile sent = parseParameterFile(file("b.tuma"));
            EXPECT_EQ(block(), std::vector<uint8_t>(sent.image.begin(), sent.image.end())) << sim::faultName(f);
        } else {
            EXPECT_EQ(code, 1) << sim::faultName(f);
            EXPECT_FALSE(verified) << sim::faultName(f);
            EXPECT_EQ(lines(err.str()), 1) << sim::faultName(f) << err.str();
        }
        if (f == Fault::Silent || f == Fault::BadCrc || f == Fault::Short || f == Fault::Gone) {
            EXPECT_EQ(code, 1) << sim::faultName(f);
        }
        if (f == Fault::Gone)
            break; // the line is gone for good
    }
}

TEST_F(Cli, AControllerThatIgnoresTheWriteIsCaught)
{
    ASSERT_EQ(run({"backup", path("a.tuma")}), 0);
    save("b.tuma", replaced(file("a.tuma"), "tempo_partida = 1000", "tempo_partida = 2000"));
    {
        std::lock_guard<std::mutex> g(server.mutex());
        controller.ignoreWrites = true;
    }
    EXPECT_EQ(run({"restore", path("b.tuma"), "--yes"}), 1);
    EXPECT_NE(err.str().find("endereços 13 (enviado 87, lido C4), 14 (enviado 09, lido 04)"), std::string::npos)
        << err.str();
    EXPECT_EQ(out.str().find("Verificado"), std::string::npos);
}

TEST_F(Cli, LogKeepsGoingThroughASilentController)
{
    std::thread outage([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        fault(Fault::Silent);
        std::this_thread::sleep_for(std::chrono::milliseconds(1600));
        fault(Fault::None);
    });
    const int code = run({"log", path("l.csv"), "--seconds", "6"});
    outage.join();
    EXPECT_EQ(code, 0);
    std::istringstream rows(file("l.csv"));
    std::string line;
    std::getline(rows, line);
    EXPECT_EQ(line,
              "\xEF\xBB\xBFsegundos,data_hora,Temperatura Atual (C),MAP Atual (V),Lambda Atual (mV),"
              "Correção Atual (%),RPM Atual (RPM),Tempo de Injeç. (ms),marcador,falha");
    int good = 0, failed = 0, goodAfterFailure = 0;
    while (std::getline(rows, line)) {
        ASSERT_EQ(std::count(line.begin(), line.end(), ','), 9) << line;
        ASSERT_EQ(line[line.find(',') + 11], 'T') << line;
        if (line.find("Falha na Comunicação") != std::string::npos)
            ++failed;
        else
            (failed ? goodAfterFailure : good)++;
    }
    EXPECT_GE(good, 2);
    EXPECT_GE(failed, 1);
    EXPECT_GE(goodAfterFailure, 2);
    // The viewer reads it back, failures as gaps.
    const DriveLog back = readDriveLog(file("l.csv"));
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.samples.size(), static_cast<size_t>(good + failed + goodAfterFailure));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // Qt SerialPort's notifiers want one
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST_F(Cli, TheHistoryListsShowsExportsAndRestoresVerified)
{
    const std::string db = path("Tuma/historico.sqlite");
    const std::vector<uint8_t> asFound = block();
    ASSERT_EQ(run({"--history", db, "backup", path("a.tuma")}), 0) << err.str();
    save("b.tuma", replaced(file("a.tuma"), "tempo_partida = 1000", "tempo_partida = 2000"));
    ASSERT_EQ(run({"--history", db, "restore", path("b.tuma"), "--yes"}), 0) << err.str();

    ASSERT_EQ(run({"--history", db, "history"}), 0) << err.str();
    EXPECT_EQ(lines(out.str()), 2) << out.str();
    EXPECT_NE(out.str().find("2\t"), std::string::npos);
    EXPECT_NE(out.str().find("Gravação conferida (comparação): conferida"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Partida à Frio / Tempo Injec."), std::string::npos) << "what the write changed";
    ASSERT_EQ(run({"--history", db, "history", "show", "2"}), 0) << err.str();
    EXPECT_NE(out.str().find("Antes:\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Partida à Frio / Tempo Injec.: 2000 ms"), std::string::npos) << out.str();

    ASSERT_EQ(run({"--history", db, "history", "export", "1", path("c.tuma")}), 0) << err.str();
    EXPECT_EQ(run({"diff", path("a.tuma"), path("c.tuma")}), 0) << out.str();

    // Back to what the car came in with, from the history alone.
    ASSERT_EQ(run({"--history", db, "history", "restore", "1", "--yes"}), 0) << err.str();
    EXPECT_NE(out.str().find("Verificado"), std::string::npos);
    EXPECT_EQ(block(), asFound);
    ASSERT_EQ(run({"--history", db, "history", "--filter", "nada"}), 0);
    EXPECT_NE(out.str().find("Nenhum registro"), std::string::npos);
    ASSERT_EQ(run({"--history", db, "history", "--limit", "10"}), 0);
    EXPECT_EQ(lines(out.str()), 3) << out.str();

    EXPECT_EQ(run({"--history", db, "history", "show", "99"}), 2);
    EXPECT_EQ(run({"--history", db, "history", "show", "x"}), 2);
    EXPECT_EQ(run({"--history", db, "history", "restore"}), 2);
    EXPECT_EQ(writes().size(), 2u) << "nothing more reached the controller";
}

TEST_F(Cli, TheHistoryInTheDocumentsMovesToTheDataFolderAtTheFirstUse)
{
    oldHistoryFile = path("Documentos/Tuma/historico.sqlite");
    historyFile = path("dados/tuma/historico.sqlite");
    // An earlier version's history, in the documents: one backup kept there.
    ASSERT_EQ(run({"--history", oldHistoryFile, "backup", path("a.tuma")}), 0) << err.str();
    ASSERT_EQ(run({"history"}), 0) << err.str();
    EXPECT_EQ(lines(out.str()), 1) << out.str();
    EXPECT_TRUE(exists(historyFile));
    EXPECT_FALSE(exists(oldHistoryFile));
    EXPECT_TRUE(exists(oldHistoryFile + ".movido"));
    ASSERT_EQ(run({"backup", path("b.tuma")}), 0) << err.str();
    ASSERT_EQ(run({"history"}), 0);
    EXPECT_EQ(lines(out.str()), 2) << "the next entries go to the moved one: " << out.str();
}
