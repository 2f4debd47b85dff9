// The faults of the field against tiltctl and a tiltsim, in real time: a pulled adapter, a full
// disk, a folder that is not there, a port another program holds, a logger that goes quiet, and
// a saved port that is no port. Each ends tiltctl soon, with one clear message, losing nothing.
#include <sys/resource.h>

#include <QDir>
#include <QProcessEnvironment>
#include <QSerialPort>
#include <regex>

#include "tiltsim_process.h"

namespace {

class TiltctlFaults : public ProgramTest {
  protected:
    static QStringList download(const TiltsimProcess& sim, const std::string& file) {
        return onPort(sim, {"download", "-o", QString::fromStdString(file)});
    }
};

TEST_F(TiltctlFaults, AdapterPulledOutDuringADownload_EndsItWithinTwoSecondsSayingHowToResume) {
    TiltsimProcess sim({"--preload", "linear1", "--pages", "300"});
    QProcess ctl;
    useTestDataRoot(ctl);
    ctl.start(TILTCTL_PATH, download(sim, path("pulled.tlg")));
    ASSERT_TRUE(waitForCrlfLines(path("pulled.tlg"), 12 + 3));

    sim.process().kill();  // the terminal vanishes, as a USB adapter pulled out does
    const auto pulled = Clock::now();
    ASSERT_TRUE(ctl.waitForFinished(5000));
    EXPECT_LT(secondsSince(pulled), 2.0);
    EXPECT_EQ(ctl.exitCode(), 1);
    const std::string err = ctl.readAllStandardError().toStdString();
    EXPECT_THAT(err, HasSubstr("The connection on " + sim.path() +
                               " was lost: the cable or adapter was disconnected"));
    EXPECT_THAT(err, HasSubstr("Run the download again with --resume"));
}

TEST_F(TiltctlFaults, DiskFullAtAPage_Exits1NamingTheFileAndThePage) {
    // How the continued file comes out whole is the download's own affair (its tests show it
    // byte for byte, and cut back to whole lines); here, what tiltctl says.
    TiltsimProcess sim({"--preload", "linear3", "--pages", "5"});
    // Room for the header and a page or two (a channel 3 page line is 1 to 2 KB).
    constexpr rlim_t kRoom = 4000;
    const auto full = runTiltctl(download(sim, path("cut.tlg")), [](QProcess& p) {
        p.setChildProcessModifier([] {
            const rlimit fileSize{kRoom, kRoom};
            setrlimit(RLIMIT_FSIZE, &fileSize);
            signal(SIGXFSZ, SIG_IGN);
        });
    });
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_THAT(full.err, HasSubstr("error 61 in WriteDownloadPagesToFile"));
    EXPECT_THAT(full.err, HasSubstr(path("cut.tlg")));
    std::smatch page;
    ASSERT_TRUE(std::regex_search(full.err, page, std::regex("Page ([0-9]+) was not written")))
        << full.err;
    const int lost = std::stoi(page[1]);
    EXPECT_GE(lost, 2);
    EXPECT_LE(lost, 4);
    EXPECT_THAT(full.err, HasSubstr("cut.tlg keeps pages 1 to " + std::to_string(lost - 1) +
                                    ". Run the download again with --resume"));
}

// That nothing is sent is the download's to test; here, that tiltctl says so at once.
TEST_F(TiltctlFaults, OutputIntoAMissingFolder_IsRefusedAtOnce) {
    TiltsimProcess sim({"--preload", "linear1", "--pages", "5"});
    const std::string nowhere = path("no such folder/walk.tlg");
    const auto start = Clock::now();
    const auto refused = runTiltctl(download(sim, nowhere));
    EXPECT_LT(secondsSince(start), 2.0);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("the folder of \"" + nowhere + "\" does not exist"));
}

TEST_F(TiltctlFaults, PortHeldByAnotherProgram_GetsOneMessageAndNothingIsSent) {
    TiltsimProcess sim({"--preload", "linear1", "--pages", "5"});
    QSerialPort other;
    other.setPortName(QString::fromStdString(sim.path()));
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));

    const auto start = Clock::now();
    const auto busy = runTiltctl(download(sim, path("busy.tlg")));
    EXPECT_LT(secondsSince(start), 2.0);
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_EQ(busy.err, "tiltctl: error 8005 in OpenCommPort (DownloadErase): " + sim.path() +
                            " is in use by another program. Close that program (or the other "
                            "tiltctl), then try again.\n");
    EXPECT_EQ(receivedBytes(sim), 0);
    EXPECT_FALSE(std::filesystem::exists(path("busy.tlg")));
}

TEST_F(TiltctlFaults, LoggerFallenSilent_EndsAnEraseAfterFiveSecondsWithoutProgress) {
    TiltsimProcess sim({});
    sim.sendSignal(SIGSTOP);
    // A silent logger cannot say what it holds: that is no leave to erase it.
    const auto refused = runTiltctlOn(sim, {"erase", "--yes"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("It is not known whether the logger's recording was "
                                       "downloaded: the logger did not give its serial number "
                                       "and launch time."));
    // Told to go on, the erase gives up once no progress has come for five seconds.
    const auto start = Clock::now();
    const auto erase = runTiltctlOn(sim, {"erase", "--yes", "--discard-undownloaded"});
    const double seconds = secondsSince(start);
    sim.sendSignal(SIGCONT);
    EXPECT_EQ(erase.exitCode, 1);
    EXPECT_GE(seconds, 5.0);
    EXPECT_LT(seconds, 8.5) << "the query of the logger's identity, then five seconds";
    EXPECT_TRUE(
        erase.err.ends_with("The logger stopped answering; the erase may not be complete.\n"))
        << erase.err;
}

// A saved port is read as the desktop program reads it. Its "0" is no port chosen; any other
// text that is no port number 1 to 32767 is refused, quoted, before a port is touched.
TEST_F(TiltctlFaults, SavedPortThatIsNoPortNumber_IsRefusedQuotingIt) {
    QDir(dir.path()).mkpath("config/Tiltavarometer");
    const auto withSavedPort = [&](QProcess& p) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        p.setProcessEnvironment(environment);
    };
    struct Case {
        std::string saved;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"99999", 2, "the saved port \"99999\" is not a port number (1 to 32767)"},
        {"-3", 2, "the saved port \"-3\" is not a port number (1 to 32767)"},
        {"COM3", 2, "the saved port \"COM3\" is not a port number (1 to 32767)"},
        {"0", 1, "No comm port has been selected!"},
    };
    for (const Case& c : cases) {
        std::ofstream(path("config/Tiltavarometer/Tiltavarometer.conf"), std::ios::trunc)
            << "[Startup]\nCurrentCommPort=" << c.saved << "\n";
        const auto start = Clock::now();
        const auto refused = runTiltctl({"download", "-o", dir.filePath("x.tlg")}, withSavedPort);
        EXPECT_LT(secondsSince(start), 2.0) << c.saved;
        EXPECT_EQ(refused.exitCode, c.exitCode) << c.saved;
        EXPECT_THAT(refused.err, HasSubstr(c.message)) << c.saved;
        EXPECT_EQ(refused.err.find("OpenCommPort"), std::string::npos) << "no port was tried";
        EXPECT_FALSE(std::filesystem::exists(path("x.tlg"))) << c.saved;
    }
    // Commands that need no port still run.
    const auto csv = runTiltctl({"csv", dir.filePath("missing.tlg")}, withSavedPort);
    EXPECT_EQ(csv.exitCode, 1) << csv.err;
    EXPECT_THAT(csv.err, HasSubstr("File not found"));
}

}  // namespace
