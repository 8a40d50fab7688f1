// Figures of the window program against the controller stand-in (a separate ardenox-sim process, so
// that only the tool's own threads are measured): opening the main window to "Connected", pressing
// Write to "Done" with a controller that saves at once, idle CPU while connected, resident memory.
// Optionally saves a picture of the connected main window. Prints the figures; judges nothing.
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "device/Ardeno.h"
#include "device/WorkerThread.h"
#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "platform/DebugOutput.h"
#include "port/ComDevice.h"
#include "ui/ArdenoXModbusDlg.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

struct Options {
    int runs = 10;
    int idleSeconds = 30;
    QString screenshot;
};

// One connection as the main loop assembles it.
struct Connection {
    explicit Connection(const std::string& path) {
        port.m_baudRate = 19200;
        port.m_parity = 2;
        port.m_stopBits = 0;
        port.m_address = 16;
        opened = port.Open(path, port.m_baudRate, port.m_parity, port.m_stopBits);
    }
    ~Connection() { worker.Stop(); }

    CComDevice port;
    bool opened = false;
    CModbus transport{&port};
    CModbusSlave slave{&transport, 16};
    CArdeno controller{&slave};
    CWorkerThread worker;
};

// Handles events until the condition holds; false when the limit passes first.
template <typename Condition>
bool HandleEventsUntil(Condition condition, std::chrono::milliseconds limit) {
    QTimer wake;  // bounds each wait, so the limit is seen even when nothing is posted
    wake.start(20);
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Handles events for `duration` without waking on its own, so that an idle measurement counts the
// window's cost and not the bench's.
void IdleFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the window modally with `script` inside its loop; the script ends with Close.
void RunWindow(CArdenoXModbusDlg& window, const std::function<void()>& script) {
    QTimer::singleShot(0, &window, [&] {
        script();
        window.findChild<QPushButton*>("closeButton")->click();
    });
    window.DoModal();
}

QString Status(CArdenoXModbusDlg& window) {
    return window.findChild<QLabel*>("statusLabel")->text();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void PrintSeries(const char* what, const std::vector<double>& ms) {
    std::printf("%-44s median %8.1f ms   min %8.1f   max %8.1f   (%zu runs)\n", what, Median(ms),
                ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()),
                ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()), ms.size());
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

Options ParseOptions(const QStringList& args) {
    Options options;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--runs") {
            options.runs = std::max(1, args[i + 1].toInt());
        } else if (args[i] == "--idle-seconds") {
            options.idleSeconds = std::max(1, args[i + 1].toInt());
        } else if (args[i] == "--screenshot") {
            options.screenshot = args[i + 1];
        }
    }
    return options;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const Options options = ParseOptions(QCoreApplication::arguments());
    platform::SetDebugOutputSink([](std::string_view) {});

    QProcess sim;
    sim.start(QStringLiteral(ARDENOX_SIM_PATH), {QStringLiteral("--save-ms"), QStringLiteral("0")});
    if (!sim.waitForReadyRead(10000)) {
        std::fprintf(stderr, "window_bench: the stand-in did not start\n");
        return 1;
    }
    const std::string path = sim.readLine().trimmed().toStdString();
    bool ok = true;

    std::vector<double> toConnected;
    for (int run = 0; run < options.runs && ok; ++run) {
        Connection connection(path);
        CArdenoXModbusDlg window(connection.controller, connection.port);
        const auto start = Clock::now();
        ok = connection.opened && connection.worker.Start(connection.controller);
        RunWindow(window, [&] {
            ok = ok &&
                 HandleEventsUntil([&] { return Status(window) == "Connected"; }, std::chrono::seconds(10));
            toConnected.push_back(Ms(Clock::now() - start).count());
        });
    }

    std::vector<double> toDone;
    double idleCpuPercent = 0;
    long residentKiB = 0;
    if (ok) {
        Connection connection(path);
        CArdenoXModbusDlg window(connection.controller, connection.port);
        ok = connection.opened && connection.worker.Start(connection.controller);
        RunWindow(window, [&] {
            auto* write = window.findChild<QPushButton*>("writeButton");
            auto* baud = window.findChild<QComboBox*>("baudCombo");
            ok = ok && HandleEventsUntil(
                           [&] {
                               return write->isEnabled() &&
                                      !window.findChild<QLabel*>("modelLabel")->text().isEmpty();
                           },
                           std::chrono::seconds(10));
            if (ok && !options.screenshot.isEmpty()) {
                ok = window.grab().save(options.screenshot);
            }
            for (int run = 0; run < options.runs && ok; ++run) {
                baud->setCurrentIndex(run % 2 == 0 ? 2 : 1);  // alternate 38400 and 19200
                const auto start = Clock::now();
                write->click();  // returns when the write dialog has ended
                toDone.push_back(Ms(Clock::now() - start).count());
            }
            const double cpuBefore = CpuSeconds();
            const auto idleStart = Clock::now();
            IdleFor(std::chrono::seconds(options.idleSeconds));
            const double wall = std::chrono::duration<double>(Clock::now() - idleStart).count();
            idleCpuPercent = 100.0 * (CpuSeconds() - cpuBefore) / wall;
            residentKiB = ResidentKiB();
        });
    }
    sim.terminate();
    sim.waitForFinished(5000);

    PrintSeries("main window opened -> \"Connected\"", toConnected);
    PrintSeries("Write pressed -> \"Done\" (save at once)", toDone);
    std::printf("%-44s %8.2f %% of one core over %d s\n", "idle CPU while connected", idleCpuPercent,
                options.idleSeconds);
    std::printf("%-44s %8ld KiB\n", "resident memory (VmRSS)", residentKiB);
    if (!options.screenshot.isEmpty() && ok) {
        std::printf("screenshot: %s\n", qPrintable(options.screenshot));
    }
    return ok ? 0 : 1;
}
