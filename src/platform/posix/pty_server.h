#pragma once

#include <cstdio>
#include <string>

#include "device/sim_device.h"

namespace tilt::platform {

// Serves a SimDevice on a pseudo-terminal in real time: bytes a client writes to the terminal
// reach the device, and the device's replies are written at the times the line would deliver
// them. The server keeps the terminal's far end open itself, so clients may come and go.
class PtyServer {
  public:
    explicit PtyServer(const device::SimOptions& options);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the terminal and returns the path clients open. Throws std::runtime_error.
    std::string open();

    // Serves until `watchStdin` sees standard input close (when it is a pipe or a terminal), or
    // the process is ended. Every received byte is logged to `rxLog` when given.
    void serve(bool watchStdin, std::FILE* rxLog);

  private:
    void deliverDueBytes(long long now);
    void takeHostBytes(long long now);
    void logReceived(std::FILE* rxLog);

    device::SimOptions options_;
    long long start_ = 0;
    device::SimDevice device_;
    int master_ = -1;
    int slave_ = -1;
    std::size_t logged_ = 0;
};

}  // namespace tilt::platform
