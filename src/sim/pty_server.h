#pragma once
// Serves a Controller on a pseudo-terminal, so that the program (or a terminal) can
// open it like a serial port. Bytes are paced as on a 19200-baud line.
#include "sim/controller.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace tuma::sim {

class PtyServer {
public:
    explicit PtyServer(Controller& controller);
    ~PtyServer();

    // Creates the pseudo-terminal; false on failure.
    bool start();
    // "/dev/pts/N" and the name to type in the port dialog ("pts/N").
    const std::string& devicePath() const { return path; }
    std::string portName() const;

    // Runs the line until stop() (or, with a thread, in the background).
    void run();
    void startThread();
    void stop();
    // Hangs up the line as an unplugged adapter would: closes the master side.
    void unplug();

    // The controller is shared with the serving thread; lock around changes.
    std::mutex& mutex() { return lock; }

private:
    Controller& controller;
    int master = -1;
    int slaveKeepAlive = -1;
    std::string path;
    std::atomic<bool> running{false};
    std::atomic<bool> hungUp{false};
    std::thread worker;
    std::mutex lock;
};

} // namespace tuma::sim
