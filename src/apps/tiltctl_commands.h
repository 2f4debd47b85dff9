#pragma once

#include <QJsonObject>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/error_reporter.h"
#include "link/clock.h"
#include "platform/system_port_catalogue.h"

class QCoreApplication;

namespace tilt::ctl {

// Exit codes of tiltctl.
inline constexpr int kDone = 0;
inline constexpr int kDeviceFailed = 1;
inline constexpr int kBadUsage = 2;
inline constexpr int kInterrupted = 130;  // what a shell reports for a Ctrl+C

// What every command gets: the port catalogue, the selected port and the output streams.
struct Context {
    link::Clock& clock;
    platform::SystemPortCatalogue& catalogue;
    std::int16_t port = 0;
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;  // progress may then redraw one line in place
};

// A bad command line: the message is printed and tiltctl ends with kBadUsage.
struct UsageError {
    std::string message;
};

struct Command {
    std::vector<std::string> words;  // e.g. {"eeprom", "read"}
    std::string arguments;           // e.g. "ADDR"
    std::string summary;
    std::function<int(Context&, const QStringList& args)> run;
    // The application object the command runs under; empty for a QCoreApplication. Only a
    // command that draws needs more, and only it should pay for it.
    std::function<std::unique_ptr<QCoreApplication>(int& argc, char** argv)> application = {};
    // Whether the command talks to the device on --port (or the saved port). One that does not
    // runs even when the saved port is unusable.
    bool needsPort = true;
};

[[nodiscard]] const std::vector<Command>& commands();

// Unexpected failures inside an operation: printed, and the operation goes on as the desktop
// program's would after Retry. Counted, so that a command can still end with kDeviceFailed.
class PrintingErrors final : public ErrorReporter {
  public:
    explicit PrintingErrors(std::ostream& err) : err_(err) {}
    void handleError(std::int32_t number, std::string_view source, std::string_view screen,
                     std::string_view description) override;
    [[nodiscard]] int count() const { return count_; }

  private:
    std::ostream& err_;
    int count_ = 0;
};

// A message of the desktop program as terminal lines.
[[nodiscard]] std::string plainLines(std::string_view text);

void expectArguments(const QStringList& args, qsizetype count, const std::string& usage);

// The value after the option at `at` (which moves onto it); a missing one is a usage error that
// quotes `usage`.
[[nodiscard]] const QString& optionValue(const QStringList& args, qsizetype& at,
                                         std::string_view usage);

// Paragraphs as one command summary: word-wrapped, continuation lines indented to the column
// where the command overview starts summaries.
[[nodiscard]] std::string helpText(std::initializer_list<std::string> paragraphs);

// Takes `flag` out of `args`; true when it was there.
bool takeFlag(QStringList& args, const char* flag);

// One result as one line of compact JSON.
[[nodiscard]] std::string jsonLine(const QJsonObject& object);

// Says that no port is chosen; the exit code for it.
[[nodiscard]] int noPortSelected(Context& ctx);

}  // namespace tilt::ctl
