#pragma once
// Support for tests that run the real windows on the offscreen platform against the controller
// stand-in on a pseudo-terminal, with the real worker thread.
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/Ardeno.h"
#include "device/WorkerThread.h"
#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "platform/DebugOutput.h"
#include "port/ComDevice.h"
#include "sim/ControllerSim.h"

namespace guitest {

// Generous: the machine may be loaded; a poll round takes about a second.
inline constexpr int kWaitMs = 10000;

// A quit request outlives the modal runs it ended (every later modal run would return at once); the
// application's own loop clears it. Tests that end in a quit request call this before the next run.
bool QuitRequested();
void ClearQuitRequest();

// Runs `script` inside the dialog's modal loop, then, if the script left the dialog open (a failed
// assertion), ends it so that the test cannot hang. Returns what `runModal` returned.
int RunWithScript(QDialog& dialog, const std::function<int()>& runModal, const std::function<void()>& script);

// Answers the next question box with `button` once it appears; records its text and icon.
struct QuestionAnswer {
    QString text;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons;
    bool answered = false;
};
void AnswerNextQuestion(QMessageBox::StandardButton button, QuestionAnswer& record);

// Captures message boxes for the lifetime of the holder.
class CMessageBoxCapture {
public:
    CMessageBoxCapture();
    ~CMessageBoxCapture();
    std::vector<std::string> Texts() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_texts;
    platform::TextSink m_previous;
};

// One connection to a fresh stand-in, assembled as the main loop assembles it. The worker is started
// by the test, so that a window can be opened before the first notification.
struct CConnectedController {
    explicit CConnectedController(const sim::Config& config = {});
    ~CConnectedController();

    sim::ControllerSim sim;
    CComDevice port;
    CModbus transport{&port};
    CModbusSlave slave;
    CArdeno controller{&slave};
    CWorkerThread worker;
};

}  // namespace guitest
