#include "apps/tiltctl_config.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iomanip>
#include <mutex>
#include <numeric>
#include <optional>
#include <ostream>
#include <sstream>
#include <stop_token>
#include <thread>

#include "apps/tiltctl_console.h"
#include "common/counting_errors.h"
#include "common/error.h"
#include "common/number_text.h"
#include "config/calibration.h"
#include "config/config_snapshot.h"
#include "config/config_values.h"
#include "config/eeprom_transfer.h"
#include "config/parameter_map.h"
#include "config/profile.h"
#include "config/transfer_report.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"
#include "platform/profile_json.h"
#include "platform/sqlite_library.h"

namespace tilt::ctl {

namespace {

using config::TransferEnd;
using Ticks = std::vector<std::optional<config::CellWrite>>;

// The screens error reports name: those of the windows that run the same operations in the
// desktop program, so that a report reads the same from either.
constexpr std::string_view kConfigurationScreen = "Configuration";
constexpr std::string_view kEepromScreen = "EEPROM";
constexpr std::string_view kCalibrateScreen = "Calibrate";
// Nobody watches a script: a device silent this long is not coming back.
constexpr int kSilenceSeconds = 5;
constexpr link::Nanos kSilenceLimit = link::ms(kSilenceSeconds * 1000);
// How the end of a transfer that did not complete tells the user to try again.
constexpr std::string_view kRunAgain = "run it again";
// The first reading of a calibration follows the shaker write and its one-second pause; none
// this long after the start means the device does not answer.
constexpr auto kFirstReadingLimit = std::chrono::seconds(5);
constexpr double kMaxCalibrationSeconds = 3600;
constexpr int kEepromCells = link::kEepromBytes;
constexpr int kCellsPerLine = 16;

std::string profileKeyList() {
    std::string keys;
    for (const std::string_view key : config::profileKeys()) {
        if (!keys.empty()) {
            keys += ' ';
        }
        keys += key;
    }
    return keys;
}

// A logger's own serial number and launch time: read, never written.
std::string identityKeyList() {
    std::string keys;
    for (const config::Parameter& p : config::parameterMap()) {
        if (p.encoding == config::Encoding::Identity) {
            keys += ' ';
            keys += p.key;
        }
    }
    return keys;
}

bool jsonOnly(QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 0, "nothing or --json");
    return json;
}

// Runs `convert`, turning a value that cannot go out as bytes into a refusal: nothing has been
// sent when it is thrown.
template <class Convert>
auto refusingUnsendable(Convert convert) {
    try {
        return convert();
    } catch (const config::UnsendableValue& e) {
        throw UsageError{e.what()};
    }
}

std::string fileText(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(errc::kFileNotFound,
                    "Cannot read " + name.toStdString() + ": " + file.errorString().toStdString());
    }
    return file.readAll().toStdString();
}

// The profile in FILE, checked before anything is sent; a bad one is refused naming the key.
// The output of `config read --json` serves as a profile too: its serial number and launch time
// belong to the logger it came from and are left out.
config::ParameterValues loadProfile(const QString& name, bool complete) {
    auto parsed = platform::parseProfile(fileText(name));
    if (parsed.problem) {
        throw UsageError{name.toStdString() + ": " + *parsed.problem + "; nothing was sent."};
    }
    const auto profile = config::withoutIdentity(std::move(parsed.entries));
    if (const auto problem = config::profileProblem(profile, complete)) {
        throw UsageError{name.toStdString() + ": " + *problem + "; nothing was sent."};
    }
    return config::valuesOf(profile);
}

// A read's progress on stderr: redrawn on a terminal, and a note while the device is waited for.
class ReadWatch {
  public:
    ReadWatch(Context& ctx, std::function<std::string(int)> caption)
        : line_(ctx.err, ctx.errIsTerminal), caption_(std::move(caption)) {}

    void operator()(const config::CellReadProgress& p) {
        done_ = p.done;
        if (p.waiting) {
            if (!waiting_) {
                line_.note("Waiting for the device to answer...");
            }
            waiting_ = true;
            return;
        }
        waiting_ = false;
        if (line_.redraws()) {
            line_.show(caption_(p.done));
        }
    }

    [[nodiscard]] int done() const { return done_; }
    void end() { line_.end(); }

  private:
    StatusLine line_;
    std::function<std::string(int)> caption_;
    int done_ = 0;
    bool waiting_ = false;
};

// One device command: its link, its error reports and its Ctrl+C. Says how a transfer that did
// not complete ended and keeps the exit code for it.
class Session {
  public:
    explicit Session(Context& ctx) : ctx_(ctx), link_(ctx.catalogue), errors_(ctx.err) {
        link_.setStopToken(interrupt_.token());
    }

    [[nodiscard]] link::DeviceLink& link() { return link_; }
    // The command's device job, its error reports naming `screen`.
    [[nodiscard]] link::JobScope job(std::string_view screen) {
        return {link_, ctx_.port, errors_, std::string(screen)};
    }
    [[nodiscard]] std::stop_token interruptToken() const { return interrupt_.token(); }
    [[nodiscard]] bool interrupted() const { return interrupt_.requested(); }
    [[nodiscard]] int failure() const { return failure_; }
    // The exit code of a command whose transfers all completed.
    [[nodiscard]] int done() const { return errors_.count() == 0 ? kDone : kDeviceFailed; }

    std::optional<config::ReadArray> readConfiguration() {
        ReadWatch watch(ctx_, [](int done) { return config::readingCaption(done); });
        const auto result =
            config::readConfiguration(job(kConfigurationScreen), readOptions(), std::ref(watch));
        watch.end();
        if (!ended(result.end, config::readEndText(result.end, watch.done(), config::kReadSteps,
                                                   kSilenceSeconds, kRunAgain))) {
            return std::nullopt;
        }
        lastRead_ = result.bytes;
        tellLibraryProblem(config::recordRead(library_, result.bytes));
        return result.bytes;
    }

    std::optional<std::vector<std::uint8_t>> readCells(std::span<const int> addresses,
                                                       std::string_view screen) {
        const auto total = std::to_string(addresses.size());
        ReadWatch watch(
            ctx_, [&](int done) { return "Reading " + std::to_string(done) + " of " + total; });
        const auto result =
            config::readCells(job(screen), addresses, readOptions(), std::ref(watch));
        watch.end();
        if (!ended(result.end,
                   config::readEndText(result.end, watch.done(), static_cast<int>(addresses.size()),
                                       kSilenceSeconds, kRunAgain))) {
            return std::nullopt;
        }
        return result.values;
    }

    // One cell a tick, 500 ms apart, with the windows' "Writing N" on stderr.
    bool write(std::span<const std::optional<config::CellWrite>> ticks, std::string_view screen,
               const std::function<std::string(int)>& caption) {
        StatusLine line(ctx_.err, ctx_.errIsTerminal);
        const auto written = config::writeTicks(
            job(screen), ticks, [&](int ticksDone) { line.show(caption(ticksDone)); });
        line.end();
        const auto cells = config::cellsWritten(ticks, written.ticksDone);
        if (lastRead_) {  // the logger the write went to is known
            tellLibraryProblem(config::recordWrite(library_, *lastRead_, cells, written.end));
        } else if (written.end == TransferEnd::Completed) {
            if (const auto serial = serialNumber(screen)) {  // after the write, quietly
                tellLibraryProblem(config::recordWriteOf(library_, *serial, cells, written.end));
            }
        }
        return ended(written.end,
                     config::writeEndText(written.end, ticks, written.ticksDone, kRunAgain));
    }

  private:
    static config::CellReadOptions readOptions() {
        config::CellReadOptions options;
        options.giveUpAfterSilence = kSilenceLimit;
        return options;
    }

    // True for a completed transfer; otherwise says how it ended and keeps the exit code.
    bool ended(TransferEnd end, const std::string& text);

    // The logger's serial number, for the library, without a word on the terminal; nothing
    // when it does not answer.
    std::optional<std::int64_t> serialNumber(std::string_view screen) {
        CountingErrors quiet;
        const auto read = config::readCells({link_, ctx_.port, quiet, std::string(screen)},
                                            config::serialNumberCells(), readOptions(), {});
        if (read.end != TransferEnd::Completed) {
            return std::nullopt;
        }
        return config::serialNumberOf(read.values);
    }

    // Once a command: a library that fails the read fails the write after it for the same
    // reason.
    void tellLibraryProblem(const std::optional<std::string>& problem) {
        if (const auto notice = library_.takeNotice()) {
            ctx_.err << *notice << "\n";
        }
        if (problem && !libraryProblemTold_) {
            ctx_.err << *problem << "\n";
            libraryProblemTold_ = true;
        }
    }

    Context& ctx_;
    InterruptStop interrupt_;
    link::DeviceLink link_;
    PrintingErrors errors_;
    int failure_ = kDeviceFailed;
    // Every read and write goes into the recordings library.
    platform::SqliteLibrary library_{platform::SqliteLibrary::inDataRoot()};
    std::optional<config::ReadArray> lastRead_;
    bool libraryProblemTold_ = false;
};

bool Session::ended(TransferEnd end, const std::string& text) {
    if (end == TransferEnd::Completed) {
        return true;
    }
    ctx_.err << text << "\n";
    failure_ = end == TransferEnd::Stopped ? kInterrupted : kDeviceFailed;
    return false;
}

// ---- config read, defaults, write ----

// A parameter as the Configuration window shows it after a read: numbers in the program's
// number text, angles unrounded, the rate as its code.
std::string shownValue(const config::Parameter& p, const config::ReadArray& bytes) {
    return numberText(config::decodedValue(p, bytes));
}

int runConfigRead(Context& ctx, const QStringList& args) {
    const bool json = jsonOnly(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    Session session(ctx);
    const auto bytes = session.readConfiguration();
    if (!bytes) {
        return session.failure();
    }
    const auto configuration = config::decodeConfiguration(*bytes);
    if (json) {
        ctx.out << platform::configurationJson(configuration);
        return session.done();
    }
    for (const config::Parameter& p : config::parameterMap()) {
        if (p.encoding != config::Encoding::Unread) {  // the bin angles are never decoded
            ctx.out << p.caption << ": " << shownValue(p, *bytes) << "\n";
        }
    }
    ctx.out << "Read completed!\n";
    return session.done();
}

int runConfigDefaults(Context& ctx, const QStringList& args) {
    expectArguments(args, 0, "no arguments");
    config::ParameterValues profile = config::presetValues(config::Preset::Defaults);
    std::erase_if(profile, [](const auto& entry) {
        return !config::isProfileField(config::parameterOf(entry.first));
    });
    ctx.out << platform::profileJson(profile);
    return kDone;
}

int runConfigWrite(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 1, "FILE [--json]");
    const Ticks ticks =
        refusingUnsendable([&] { return config::configurationWrite(loadProfile(args[0], true)); });
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    Session session(ctx);
    if (!session.write(ticks, kConfigurationScreen, config::writingCaption)) {
        return session.failure();
    }
    (json ? ctx.err : ctx.out) << "Write completed!\n";
    const int code = session.done();
    if (json) {
        ctx.out << jsonLine({{"written", true}, {"exitCode", code}});
    }
    return code;
}

// ---- config set, diff ----

// KEY=VALUE pairs, each checked as a profile's would be and as its write would convert it.
config::ParameterValues settingsOf(const QStringList& args) {
    if (args.isEmpty()) {
        throw UsageError{"expected KEY=VALUE..."};
    }
    config::ProfileEntries values;
    for (const QString& arg : args) {
        const auto at = arg.indexOf('=');
        if (at <= 0) {
            throw UsageError{"'" + arg.toStdString() + "' is no KEY=VALUE; nothing was sent."};
        }
        bool ok = false;
        const double value = arg.mid(at + 1).trimmed().toDouble(&ok);
        if (!ok) {
            throw UsageError{"\"" + arg.left(at).toStdString() + "\": '" +
                             arg.mid(at + 1).toStdString() +
                             "' is not a number; nothing was sent."};
        }
        values[arg.left(at).toStdString()] = value;
    }
    if (const auto problem = config::profileProblem(values, false)) {
        throw UsageError{*problem + "; nothing was sent."};
    }
    const config::ParameterValues settings = config::valuesOf(values);
    for (const auto& [field, value] : settings) {
        refusingUnsendable([&] { return config::encodeValue(config::parameterOf(field), value); });
    }
    return settings;
}

// Reads the written cells back: whether the device kept what it was sent.
int verifyWrites(Context& ctx, std::ostream& out, Session& session,
                 const std::vector<config::CellWrite>& writes) {
    std::vector<int> addresses;
    for (const auto& w : writes) {
        addresses.push_back(w.address);
    }
    const auto held = session.readCells(addresses, kConfigurationScreen);
    if (!held) {
        ctx.err << "The new values could not be read back.\n";
        return session.failure();
    }
    bool hold = true;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if ((*held)[i] != writes[i].value) {
            ctx.err << "EEPROM address " << writes[i].address << " holds "
                    << static_cast<int>((*held)[i]) << ", not " << static_cast<int>(writes[i].value)
                    << ".\n";
            hold = false;
        }
    }
    if (!hold) {
        ctx.err << "The new values did not hold.\n";
        return kDeviceFailed;
    }
    out << "Read back: the device holds the new values.\n";
    return session.done();
}

// config set --json: the cells written and whether they read back as written.
QJsonObject setSummary(const std::vector<config::CellWrite>& writes, int code) {
    QJsonArray cells;
    for (const auto& w : writes) {
        cells.append(w.address);
    }
    return {{"writtenCells", cells}, {"holds", code == kDone}, {"exitCode", code}};
}

int runConfigSet(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    std::ostream& out = json ? ctx.err : ctx.out;
    const config::ParameterValues wanted = settingsOf(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    Session session(ctx);
    const auto read = session.readConfiguration();
    if (!read) {
        return session.failure();
    }
    const auto writes = config::changedCells(wanted, *read);
    if (writes.empty()) {
        out << "The device holds these values already; nothing was written.\n";
        const int code = session.done();
        if (json) {
            ctx.out << jsonLine(setSummary(writes, code));
        }
        return code;
    }
    const Ticks ticks(writes.begin(), writes.end());
    const auto total = std::to_string(writes.size());
    const auto caption = [&](int done) {
        return "Writing cell " + std::to_string(done) + " of " + total;
    };
    if (!session.write(ticks, kConfigurationScreen, caption)) {
        return session.failure();
    }
    out << "Write completed!\n";
    const int code = verifyWrites(ctx, out, session, writes);
    if (json) {
        ctx.out << jsonLine(setSummary(writes, code));
    }
    return code;
}

int runConfigDiff(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 1, "FILE [--json]");
    const config::ParameterValues profile = loadProfile(args[0], false);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    Session session(ctx);
    const auto read = session.readConfiguration();
    if (!read) {
        ctx.err << "Nothing was compared: the device's values are unknown.\n";
        return session.failure();
    }
    const auto device = config::decodeConfiguration(*read);
    QJsonObject differences;
    for (const config::Parameter& p : config::parameterMap()) {
        const auto found = profile.find(p.field);
        if (found == profile.end() || !config::differsFromRead(p, found->second, *read)) {
            continue;
        }
        const double held = config::valueOf(device.record, p.field);
        differences.insert(QString::fromLatin1(p.key.data(), static_cast<qsizetype>(p.key.size())),
                           QJsonObject{{"profile", found->second}, {"device", held}});
        if (!json) {
            ctx.out << p.key << ": profile " << numberText(found->second) << ", device "
                    << numberText(held) << "\n";
        }
    }
    const int code = differences.isEmpty() ? session.done() : kDeviceFailed;
    if (json) {
        ctx.out << jsonLine({{"differences", differences}, {"exitCode", code}});
    } else if (differences.isEmpty()) {
        ctx.out << "No differences: the device holds the profile's values.\n";
    }
    return code;
}

// ---- eeprom dump ----

void printCells(std::ostream& out, const std::vector<std::uint8_t>& cells) {
    for (std::size_t row = 0; row < cells.size(); row += kCellsPerLine) {
        out << std::setw(3) << row << ":";
        for (std::size_t i = row; i < std::min(cells.size(), row + kCellsPerLine); ++i) {
            out << " " << std::setw(3) << static_cast<int>(cells[i]);
        }
        out << "\n";
    }
}

int runEepromDump(Context& ctx, const QStringList& args) {
    const bool json = jsonOnly(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    std::vector<int> addresses(kEepromCells);
    std::iota(addresses.begin(), addresses.end(), 0);
    Session session(ctx);
    const auto cells = session.readCells(addresses, kEepromScreen);
    if (!cells) {
        return session.failure();
    }
    if (json) {
        QJsonArray values;
        for (const std::uint8_t cell : *cells) {
            values.append(cell);
        }
        ctx.out << QJsonDocument(QJsonObject{{"cells", values}}).toJson().toStdString();
    } else {
        printCells(ctx.out, *cells);
    }
    return session.done();
}

// ---- calibrate ----

struct CalibrateRequest {
    double seconds = 0;
    bool write = false;
    bool json = false;
};

CalibrateRequest calibrateArguments(QStringList args) {
    const std::string usage = "expected --seconds N [--write] [--json]";
    CalibrateRequest request;
    request.write = takeFlag(args, "--write");
    request.json = takeFlag(args, "--json");
    const auto at = args.indexOf("--seconds");
    if (at < 0 || at + 1 >= args.size()) {
        throw UsageError{usage};
    }
    bool ok = false;
    request.seconds = args[at + 1].toDouble(&ok);
    if (!ok || !(request.seconds > 0) || request.seconds > kMaxCalibrationSeconds) {
        throw UsageError{"--seconds takes a number of seconds above 0, up to 3600"};
    }
    args.remove(at, 2);
    if (!args.isEmpty()) {
        throw UsageError{"unexpected '" + args.front().toStdString() + "'; " + usage};
    }
    return request;
}

// Ends a calibration's sampling `length` after its first reading, or at once when no reading
// has come a while after the start.
class SamplingTimer {
  public:
    using Clock = std::chrono::steady_clock;

    SamplingTimer(std::stop_source stop, double seconds)
        : stop_(std::move(stop)),
          length_(
              std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds))),
          thread_([this](std::stop_token own) { run(own); }) {}

    void readingArrived() {
        const std::lock_guard lock(mutex_);
        if (!first_) {
            first_ = Clock::now();
            wake_.notify_all();
        }
    }

    [[nodiscard]] bool silent() const { return silent_.load(); }

  private:
    void run(std::stop_token own) {
        std::unique_lock lock(mutex_);
        const auto start = Clock::now();
        if (!wake_.wait_until(lock, own, start + kFirstReadingLimit,
                              [this] { return first_.has_value(); })) {
            silent_ = !own.stop_requested();
        } else {
            wake_.wait_until(lock, own, *first_ + length_, [] { return false; });
        }
        stop_.request_stop();
    }

    std::stop_source stop_;
    Clock::duration length_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<Clock::time_point> first_;
    std::atomic<bool> silent_{false};
    std::jthread thread_;  // last, so that it ends before what it uses goes
};

std::string readingsText(const config::CalibrationTracker& tracker) {
    const auto& a = tracker.axes;
    return "X " + numberText(a[0].current) + "  Y " + numberText(a[1].current) + "  Z " +
           numberText(a[2].current);
}

// Samples until `seconds` after the first reading, a silent device or Ctrl+C.
int sample(Context& ctx, Session& session, double seconds, config::CalibrationTracker& tracker) {
    std::stop_source stop;
    const std::stop_callback onCtrlC(session.interruptToken(), [&stop] { stop.request_stop(); });
    session.link().setStopToken(stop.get_token());
    StatusLine line(ctx.err, ctx.errIsTerminal);
    line.note("Shaker will be disabled prior to calibration start!");
    config::SamplingEnd end = config::SamplingEnd::Stopped;
    bool silent = false;
    {
        SamplingTimer timer(stop, seconds);
        end = config::sampleAccelerometers(session.job(kCalibrateScreen), [&](const auto& reading) {
            tracker.add(reading);
            timer.readingArrived();
            if (line.redraws()) {
                line.show(readingsText(tracker));
            }
        });
        silent = timer.silent();
    }
    line.end();
    session.link().setStopToken(session.interruptToken());
    if (session.interrupted()) {
        ctx.err << "Calibration halted by user; nothing was written.\n";
        return kInterrupted;
    }
    if (end == config::SamplingEnd::PortFailed) {
        return kDeviceFailed;  // the error report has said why
    }
    if (silent || !tracker.axes[0].sampled) {
        ctx.err << "The device sent no accelerometer reading for "
                << std::chrono::seconds(kFirstReadingLimit).count()
                << " seconds. Check that the logger is on and connected.\n";
        return kDeviceFailed;
    }
    return kDone;
}

constexpr std::array<const char*, 3> kAxes = {"X", "Y", "Z"};

void printCalibration(std::ostream& out, const config::CalibrationTracker& tracker, bool json) {
    if (!json) {
        for (std::size_t i = 0; i < kAxes.size(); ++i) {
            const auto& a = tracker.axes[i];
            out << "Acc " << kAxes[i] << ": Min Bits " << numberText(a.min) << ", Max Bits "
                << numberText(a.max) << ", Offset " << numberText(a.offset) << ", Gain "
                << numberText(a.gain) << "\n";
        }
        return;
    }
    QJsonObject axes;
    for (std::size_t i = 0; i < kAxes.size(); ++i) {
        const auto& a = tracker.axes[i];
        axes.insert(
            kAxes[i],
            QJsonObject{{"min", a.min}, {"max", a.max}, {"offset", a.offset}, {"gain", a.gain}});
    }
    out << QJsonDocument(axes).toJson().toStdString();
}

int runCalibrate(Context& ctx, const QStringList& args) {
    const CalibrateRequest request = calibrateArguments(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    Session session(ctx);
    config::CalibrationTracker tracker;
    if (const int sampled = sample(ctx, session, request.seconds, tracker); sampled != kDone) {
        return sampled;
    }
    printCalibration(ctx.out, tracker, request.json);
    if (!request.write) {
        return session.done();
    }
    const Ticks ticks = refusingUnsendable(
        [&] { return config::calibrationWrite(config::calibrationValuesOf(tracker)); });
    if (!session.write(ticks, kCalibrateScreen, config::calibrationWritingCaption)) {
        return session.failure();
    }
    // JSON keeps stdout to the one object.
    (request.json ? ctx.err : ctx.out) << "Write completed!\n";
    return session.done();
}

}  // namespace

std::vector<Command> configCommands() {
    const std::string keys = profileKeyList();
    return {
        {{"eeprom", "dump"},
         "[--json]",
         helpText({"Print all 256 EEPROM cells, 16 a line after the address of the line's first "
                   "cell.",
                   "--json: one object {\"cells\": [256 numbers]}, cell 0 first."}),
         runEepromDump},
        {{"config", "read"},
         "[--json]",
         helpText({"Read the configuration (53 cells) and print \"Caption: value\" lines in the "
                   "order of the EEPROM, then \"Read completed!\". Angles are not rounded; "
                   "Linear Update Rate is the rate code (75: 7.5 Hz, 15: 15 Hz); the bin "
                   "angles, never read from the device, are left out.",
                   "--json: one object with the keys " + keys + identityKeyList() + "."}),
         runConfigRead},
        {.words = {"config", "defaults"},
         .arguments = "",
         .summary = helpText({"Print the Show Defaults values as a profile: one JSON object "
                              "with the keys " +
                              keys + ". Needs no device."}),
         .run = runConfigDefaults,
         .needsPort = false},
        {{"config", "write"},
         "FILE [--json]",
         helpText({"Write the profile FILE (one JSON object with all the keys config defaults "
                   "prints) as the Configuration window writes: 44 ticks of 500 ms, about 22 s, "
                   "\"Writing N\" on stderr, then \"Write completed!\".",
                   "A file that is not JSON, lacks a key, has an unknown one or a value outside "
                   "its limits or not sendable is refused (exit 2) and nothing is sent. The "
                   "serial number and launch keys of a config read --json file are ignored.",
                   "Ctrl+C stops between two cells (exit 130), leaving the write incomplete.",
                   "--json: {\"written\", \"exitCode\"} at the end; \"Write completed!\" then "
                   "goes to stderr."}),
         runConfigWrite},
        {{"config", "set"},
         "KEY=VALUE... [--json]",
         helpText({"Read the configuration, write only the cells whose bytes change (500 ms "
                   "apart), read them back and say whether they hold (exit 1 if not).",
                   "KEY is a profile key (as config defaults prints them); an unknown key, a "
                   "value that is no number, outside its limits or not sendable is refused "
                   "(exit 2) and nothing is sent.",
                   "--json: {\"writtenCells\", \"holds\", \"exitCode\"}; the other lines go to "
                   "stderr."}),
         runConfigSet},
        {{"config", "diff"},
         "FILE [--json]",
         helpText({"Read the device and print \"Key: profile VALUE, device VALUE\" for every key "
                   "of the profile FILE whose bytes differ (30 degrees and its read-back "
                   "29.99908 are the same). FILE may hold some of the keys only; serial number "
                   "and launch keys are ignored.",
                   "Exit 0 when none differ, 1 when some do or the device did not answer.",
                   "--json: {\"differences\": {KEY: {\"profile\", \"device\"}}, "
                   "\"exitCode\"}."}),
         runConfigDiff},
        {{"calibrate"},
         "--seconds N [--write] [--json]",
         helpText({"Switch the shaker off (EEPROM cell 32 = 0), sample the accelerometers for N "
                   "seconds from the first reading and print min, max, offset and gain per axis. "
                   "Ctrl+C stops without writing.",
                   "--write: then write the offsets and gains into cells 2 to 13 (12 ticks of "
                   "500 ms) and print \"Write completed!\".",
                   "--json: {\"X\": {\"min\", \"max\", \"offset\", \"gain\"}, \"Y\": ..., "
                   "\"Z\": ...} on stdout; \"Write completed!\" then goes to stderr."}),
         runCalibrate},
    };
}

}  // namespace tilt::ctl
