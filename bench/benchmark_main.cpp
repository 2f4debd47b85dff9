// The main of the benchmarks that start processes, open serial ports or run windows: QProcess and
// QtSerialPort want an application object, windows an offscreen QApplication.
#include <benchmark/benchmark.h>

#ifdef TILT_BENCH_WINDOWS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

int main(int argc, char** argv) {
#ifdef TILT_BENCH_WINDOWS
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
