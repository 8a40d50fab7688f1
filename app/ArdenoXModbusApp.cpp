#include "app/ArdenoXModbusApp.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>
#include <string_view>
#include <utility>

#include "app/ConnectionStartup.h"
#include "app/Profile.h"
#include "device/ControllerStack.h"
#include "platform/DebugOutput.h"
#include "port/ComDevice.h"
#include "present/CommissionForm.h"
#include "ui/ArdenoXModbusDlg.h"
#include "ui/CommissionDlg.h"

namespace {

// The operator's message box: modal, OK only, the application's name as caption. Widgets live on the
// user-interface thread alone, so a report made on another thread (a port that fails while the
// commissioning thread opens it) is handed to that thread, which shows it when it next runs its
// events; the reporting thread does not wait for the operator.
void ShowOkMessageBox(std::string_view text) {
    const auto show = [message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))] {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), message, QMessageBox::Ok);
        box.exec();
    };
    QCoreApplication* application = QCoreApplication::instance();
    if (QThread::currentThread() == application->thread()) {
        show();
    } else {
        QMetaObject::invokeMethod(application, show, Qt::QueuedConnection);
    }
}

// Installs a message-box sink for the lifetime of the holder.
class CMessageBoxSinkScope {
public:
    explicit CMessageBoxSinkScope(platform::TextSink sink)
        : m_previous(platform::SetMessageBoxSink(std::move(sink))) {}
    CMessageBoxSinkScope(const CMessageBoxSinkScope&) = delete;
    CMessageBoxSinkScope& operator=(const CMessageBoxSinkScope&) = delete;
    ~CMessageBoxSinkScope() { platform::SetMessageBoxSink(std::move(m_previous)); }

private:
    platform::TextSink m_previous;
};

}  // namespace

CArdenoXModbusApp::CArdenoXModbusApp()
    : CArdenoXModbusApp(
          // Find's frames go where the connection's will, so that the traffic window shows them too.
          [this](CComDevice& device, const std::optional<CommConfig>& offered) {
              return OpenConnection(device, offered, &Traffic());
          }) {}

CArdenoXModbusApp::CArdenoXModbusApp(ConnectOperation connect) : m_connect(std::move(connect)) {}

bool CArdenoXModbusApp::InitInstance() {
    // The profile's root, as the remembered settings are stored under it.
    QCoreApplication::setOrganizationName(QStringLiteral("Brannik"));
    QCoreApplication::setApplicationName(QStringLiteral("ArdenoXModbus"));
    const CMessageBoxSinkScope messageBoxes(ShowOkMessageBox);
    Run();
    return false;
}

bool CArdenoXModbusApp::Connect(CComDevice& port, const std::optional<CommConfig>& offered) {
    return m_connect(port, offered);
}

CWindowProgram::MainWindowRun CArdenoXModbusApp::RunMainWindow(CControllerStack& stack, CComDevice& port) {
    CArdenoXModbusDlg window(stack.Controller(), port, &Traffic());
    if (m_trafficGeometry) {
        window.ReopenTraffic(*m_trafficGeometry);
    }
    const int result = window.DoModal();
    m_trafficGeometry = window.OpenTrafficGeometry();
    stack.Stop();
    return {result, window.WrittenConfig()};
}

std::optional<ScanCandidate> CArdenoXModbusApp::RunCommission(const ConnectionRecipe& recipe,
                                                              const ScanCandidate& at) {
    CProfile profile;
    CProfileSection remembered(profile, kCommissionSection);
    CCommissionDlg dialog(recipe, at, &remembered);
    dialog.exec();
    return dialog.LastDone();
}
