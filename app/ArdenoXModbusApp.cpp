#include "app/ArdenoXModbusApp.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>
#include <string_view>
#include <utility>

#include "app/ConnectionStartup.h"
#include "app/Profile.h"
#include "device/ControllerFacts.h"
#include "device/ControllerStack.h"
#include "platform/DebugOutput.h"
#include "port/ComDevice.h"
#include "present/CommissionRun.h"
#include "present/ConnectionStartup.h"
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
          [this](CComDevice& device) {
              return OpenConnection(device, std::exchange(m_written, {}), &m_traffic);
          }) {}

CArdenoXModbusApp::CArdenoXModbusApp(ConnectOperation connect) : m_connect(std::move(connect)) {}

bool CArdenoXModbusApp::InitInstance() {
    // The profile's root, as the remembered settings are stored under it.
    QCoreApplication::setOrganizationName(QStringLiteral("Brannik"));
    QCoreApplication::setApplicationName(QStringLiteral("ArdenoXModbus"));
    const CMessageBoxSinkScope messageBoxes(ShowOkMessageBox);

    while (RunConnection()) {
        if (m_commissionAt) {
            const auto [recipe, at] = *std::exchange(m_commissionAt, {});
            RunCommission(recipe, at);
        }
    }
    return false;
}

bool CArdenoXModbusApp::RunConnection() {
    // The last frames of the connection before (sent after the window last drained) are no part of
    // this one: the Traffic window starts with what this connection's dialog and line do.
    m_traffic.Drain();
    CComDevice port;
    if (!m_connect(port)) {
        return false;
    }
    if (!SettleGatewayKind(port, &m_traffic)) {
        return true;
    }
    CControllerStack stack(port, &m_traffic);
    if (!stack.Start()) {
        return false;
    }
    int result = 0;
    {
        CArdenoXModbusDlg window(stack.Controller(), port, &m_traffic);
        if (m_trafficGeometry) {
            window.ReopenTraffic(*m_trafficGeometry);
        }
        result = window.DoModal();
        m_written = window.WrittenConfig();
        m_trafficGeometry = window.OpenTrafficGeometry();
        // The window may still be registered after a quit request: stop the worker before it goes.
        stack.Stop();
    }
    if (result == CArdenoXModbusDlg::ResultCommission) {
        // The bench talks to the line as this connection did: its reply time and echo handling.
        m_commissionAt.emplace(RecipeOf(port), FactoryOf(port));
    }
    return result == CArdenoXModbusDlg::ResultChange || result == CArdenoXModbusDlg::ResultCommission;
}

void CArdenoXModbusApp::RunCommission(const ConnectionRecipe& recipe, const ScanCandidate& at) {
    CProfile profile;
    CProfileSection remembered(profile, kCommissionSection);
    CCommissionDlg dialog(recipe, at, &remembered);
    dialog.exec();
    if (const auto& done = dialog.LastDone()) {
        m_written = OfferedAfter(*done);
    }
}
