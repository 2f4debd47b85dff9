#pragma once

#include <signal.h>

#include <cstddef>
#include <iosfwd>
#include <stop_token>
#include <string>
#include <thread>

namespace tilt::ctl {

// Turns Ctrl+C into a stop request for the running operation, so that it ends at its next safe
// point (a page boundary, an erase tick) instead of dying half-way through a write. A second
// Ctrl+C ends tiltctl the usual way.
class InterruptStop {
  public:
    InterruptStop();
    ~InterruptStop();
    InterruptStop(const InterruptStop&) = delete;
    InterruptStop& operator=(const InterruptStop&) = delete;

    [[nodiscard]] std::stop_token token() const { return source_.get_token(); }
    [[nodiscard]] bool requested() const { return source_.stop_requested(); }

  private:
    std::stop_source source_;
    struct sigaction previous_ {};
    std::thread watcher_;  // last, so that it ends before the source goes
};

// The progress of a long operation on one line of stderr: redrawn in place on a terminal, a line
// per update where stderr goes to a file or a pipe.
class StatusLine {
  public:
    StatusLine(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
    ~StatusLine() { end(); }
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    [[nodiscard]] bool redraws() const { return terminal_; }

    void show(const std::string& text);  // the state now, replacing the one shown
    void note(const std::string& text);  // a line of its own that stays
    void end();                          // keeps the line shown and moves below it

  private:
    std::ostream& err_;
    bool terminal_;
    std::size_t shown_ = 0;  // width of the line drawn in place; 0 when there is none
};

}  // namespace tilt::ctl
