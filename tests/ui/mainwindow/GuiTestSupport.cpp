#include "tests/ui/mainwindow/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>

namespace guitest {
namespace {

// The process's application object on the offscreen platform, for every test of the binary.
class CQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        m_application = new QApplication(m_argc, m_argv);
    }
    void TearDown() override { delete m_application; }

private:
    int m_argc = 1;
    char m_name[16] = "gui-test";
    char* m_argv[2] = {m_name, nullptr};
    QApplication* m_application = nullptr;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new CQtEnvironment);

}  // namespace

bool QuitRequested() {
    // After a quit request every modal run returns at once, with -1.
    QEventLoop probe;
    QTimer::singleShot(0, &probe, [&probe] { probe.exit(0); });
    return probe.exec() == -1;
}

void ClearQuitRequest() {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

int RunWithScript(QDialog& dialog, const std::function<int()>& runModal,
                  const std::function<void()>& script) {
    QTimer::singleShot(0, &dialog, [&dialog, &script] {
        script();
        if (dialog.isVisible() && !QuitRequested()) {
            ADD_FAILURE() << "the script left the dialog open";
            dialog.done(-2);
        }
    });
    return runModal();
}

void AnswerNextQuestion(QMessageBox::StandardButton button, QuestionAnswer& record) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, button, &record] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        record.text = box->text();
        record.icon = box->icon();
        record.buttons = box->standardButtons();
        record.answered = true;
        box->button(button)->click();
        poll->deleteLater();
    });
    poll->start(10);
}

CMessageBoxCapture::CMessageBoxCapture()
    : m_previous(platform::SetMessageBoxSink([this](std::string_view text) {
          std::lock_guard hold(m_lock);
          m_texts.emplace_back(text);
      })) {}

CMessageBoxCapture::~CMessageBoxCapture() {
    platform::SetMessageBoxSink(std::move(m_previous));
}

std::vector<std::string> CMessageBoxCapture::Texts() const {
    std::lock_guard hold(m_lock);
    return m_texts;
}

CConnectedController::CConnectedController(const sim::Config& config)
    : sim(config), slave(&transport, config.settings.address) {
    // As connection start-up leaves it: the settings the port was opened with, and the slave address.
    port.m_baudRate = 19200;
    port.m_parity = 2;  // even, one stop bit
    port.m_stopBits = 0;
    port.m_address = config.settings.address;
    EXPECT_TRUE(port.Open(sim.DevicePath(), port.m_baudRate, port.m_parity, port.m_stopBits));
}

CConnectedController::~CConnectedController() {
    worker.Stop();
}

}  // namespace guitest
