// tuma-cli: the workshop's companion to the windows (backups, comparisons, verified
// restores, logs of the live values, finding the controller's port).
#include "cli/cli.h"
#include "cli/terminal.h"
#include "ports/system.h"

#include "core/workshop_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <csignal>
#include <iostream>

namespace {
std::atomic<bool> stopRequested{false};
extern "C" void onInterrupt(int) { stopRequested = true; }

tuma::cli::CliSystem hostSystem()
{
    tuma::cli::CliSystem s;
    s.portFactory = [](const std::string&) { return tuma::makeSystemPort(); };
    s.devicePathRule = tuma::systemDevicePathRule();
    s.listPorts = [] { return tuma::systemPorts(true); };
    s.decimalSeparator = tuma::userDecimalSeparator();
    s.inputIsTerminal = tuma::cli::inputIsTerminal();
    s.outputIsTerminal = tuma::cli::outputIsTerminal();
    s.programVersion = TUMA_VERSION;
    s.replaceFile = tuma::replaceFile;
    // The windows' own: the documents folder (the home folder where the system names none).
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    s.historyFile = QDir::toNativeSeparators(
                        QDir(QString::fromStdString(tuma::userDataFolder())).filePath(tuma::files::HistoryFile))
                        .toStdString();
    s.oldHistoryFile = QDir::toNativeSeparators(QDir(documents).filePath(QString(tuma::files::WorkshopFolder) + "/"
                                                                         + tuma::files::HistoryFile))
                           .toStdString();
    return s;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // Qt SerialPort wants one
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    tuma::cli::CliSystem system = hostSystem();
    system.in = &std::cin;
    system.out = &std::cout;
    system.err = &std::cerr;
    system.stop = &stopRequested;
    std::vector<std::string> args(argv + 1, argv + argc);
    return tuma::cli::runCli(args, system);
}
