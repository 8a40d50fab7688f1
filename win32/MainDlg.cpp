#include "win32/MainDlg.h"

#include "device/ControllerFacts.h"
#include "log/LogService.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "present/GatewayChoice.h"
#include "win32/FieldTip.h"
#include "win32/Text.h"
#include "win32/WriteConfDlg.h"
#include "win32/resource.h"

CMainDlg::CMainDlg(CArdeno& controller, CComDevice& comDevice, traffic::FrameRing* traffic)
    : CDialogWindow(IDD_MAIN), m_controller(controller), m_comDevice(comDevice) {
    if (traffic != nullptr) {
        m_traffic = std::make_unique<CTrafficWindow>(*traffic);
    }
}

CMainDlg::~CMainDlg() {
    // Normally done by Close or Change already; after a quit request the worker has been stopped first.
    m_controller.RemoveListener(this);
    SetShortcuts(nullptr, nullptr);
    m_traffic.reset();
    DestroyIcon(m_bigIcon);
    DestroyIcon(m_smallIcon);
    if (m_boldFont != nullptr) {
        DeleteObject(m_boldFont);
    }
}

int CMainDlg::DoModal() {
    return RunModal(nullptr);
}

bool CMainDlg::OnInitDialog() {
    m_window = Handle();
    const HINSTANCE module = GetModuleHandleW(nullptr);
    m_bigIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_ARDENOX), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon =
        static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_ARDENOX), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    // The port in use, where it takes no room from the settings.
    if (!m_comDevice.m_devicePath.empty()) {
        SetWindowTextW(Handle(), Wide("ArdenoX Modbus Configuration \u2014 " +
                                      PortTitle(m_comDevice.m_devicePath, m_comDevice.m_framing))
                                     .c_str());
    }

    m_model = MainWindowModel(
        {m_comDevice.m_baudRate, m_comDevice.m_parity, m_comDevice.m_stopBits, m_comDevice.m_address});
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    m_boldFont = CreateFontIndirectW(&font);
    FillList(Item(IDC_BAUD), BaudRateTexts());
    FillList(Item(IDC_MODE), ModeTexts());
    ShowChoice(MainWindowModel::DefaultChoice());

    if (m_traffic) {
        m_traffic->Create(Handle());
        if (m_reopenTraffic) {
            m_traffic->ShowAt(*m_reopenTraffic);
        }
        SetShortcuts(Handle(), LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAIN_KEYS)));
    } else {
        ShowWindow(Item(IDC_TRAFFIC), SW_HIDE);
    }

    m_controller.AddListener(this);
    // A port that failed before we listened has been reported to nobody yet: once the window shows.
    if (const std::uint32_t error = m_controller.m_lastError; error != 0) {
        PostMessageW(Handle(), WM_DEVICE_ERROR, error, 0);
    }
    return true;
}

void CMainDlg::OnDeviceError(std::uint32_t errorCode) {
    PostMessageW(m_window, WM_DEVICE_ERROR, errorCode, 0);
}

void CMainDlg::OnVarUpdated(int id, bool success) {
    // The last error is the worker thread's own: read here, before the notification crosses.
    const VarOutcome outcome = OutcomeOf(success, success ? 0 : platform::GetLastError());
    PostMessageW(m_window, WM_DEVICE_VAR_UPDATED, static_cast<WPARAM>(id), static_cast<LPARAM>(outcome));
}

bool CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_DEVICE_VAR_UPDATED:
            m_model.OnVarUpdated(static_cast<int>(wParam), static_cast<VarOutcome>(lParam),
                                 ControllerValues::Of(m_controller));
            UpdateWriteButton();
            UpdateData();
            return true;
        case WM_DEVICE_ERROR:
            OnDeviceErrorMessage(static_cast<std::uint32_t>(wParam));
            return true;
        case DM_GETDEFID:
            result =
                0;  // Enter does nothing: only Close, Change, Commission or a port failure end the window
            return true;
        default:
            return false;
    }
}

void CMainDlg::OnDeviceErrorMessage(std::uint32_t errorCode) {
    const std::optional<std::string> hint = m_model.OnPortLost(m_writeUnderWay);
    if (!hint) {
        return;
    }
    CLogService::Instance().ReportErrorWithHint(res::IDS_DEVICE_ERROR, errorCode, *hint);
    // Ends every message loop, an open write dialog's included. The box above is shown first.
    PostQuitMessage(0);
}

void CMainDlg::OnCommand(int id, int code, HWND /*control*/) {
    switch (id) {
        case IDC_CLOSE:
            End(ResultClose);
            break;
        case IDC_CHANGE:
            End(ResultChange);
            break;
        case IDC_COMMISSION:
            End(ResultCommission);
            break;
        case IDC_DEFAULT:
            DropKeptBaudEntry();
            ShowChoice(MainWindowModel::DefaultChoice());
            break;
        case IDC_READ:
            OnRead();
            break;
        case IDC_WRITE:
            OnWrite();
            break;
        case IDC_TRAFFIC:
            if (m_traffic) {
                m_traffic->Show();
            }
            break;
        case IDC_BAUD:
        case IDC_MODE:
            if (code == CBN_KILLFOCUS) {
                UpdateWriteButton();
            } else if (code == CBN_SELCHANGE) {
                MarkChanges();
            }
            break;
        case IDC_ADDRESS:
            if (code == EN_CHANGE) {
                MarkChanges();
            }
            break;
        default:
            break;
    }
}

void CMainDlg::End(int result) {
    SetShortcuts(nullptr, nullptr);
    m_controller.RemoveListener(this);
    EndDialog(result);
}

void CMainDlg::OnEnded() {
    if (m_traffic && IsWindowVisible(m_traffic->Handle())) {
        RECT place{};
        GetWindowRect(m_traffic->Handle(), &place);
        m_trafficPlace = place;
    }
}

void CMainDlg::UpdateWriteButton() {
    // An open drop-down is a choice in progress.
    const bool choosing = SendMessageW(Item(IDC_BAUD), CB_GETDROPPEDSTATE, 0, 0) != 0 ||
                          SendMessageW(Item(IDC_MODE), CB_GETDROPPEDSTATE, 0, 0) != 0;
    Enable(IDC_WRITE, m_model.WriteEnabled(SendMessageW(Item(IDC_BAUD), CB_GETCURSEL, 0, 0) != CB_ERR,
                                           SendMessageW(Item(IDC_MODE), CB_GETCURSEL, 0, 0) != CB_ERR,
                                           choosing, IsEnabled(IDC_WRITE)));
}

void CMainDlg::UpdateData() {
    const MainWindowView& view = m_model.View();
    SetText(IDC_CONN_BAUD, view.connBaudRate);
    SetText(IDC_CONN_MODE, view.connMode);
    SetText(IDC_CONN_ADDRESS, view.connAddress);
    SetText(IDC_DEV_BAUD, view.devBaudRate);
    SetText(IDC_DEV_MODE, view.devMode);
    SetText(IDC_DEV_ADDRESS, view.devAddress);
    SetText(IDC_STATUS, view.status);
    SetText(IDC_HINT, view.hint);
    ShowWindow(Item(IDC_HINT), view.hint.empty() ? SW_HIDE : SW_SHOWNA);
    SetText(IDC_RESTART_NOTE, view.restartNote);
    ShowWindow(Item(IDC_RESTART_NOTE), view.restartNote.empty() ? SW_HIDE : SW_SHOWNA);
    SetText(IDC_MODEL, view.model);
    SetText(IDC_VERSION, view.version);
    Enable(IDC_READ, view.readEnabled);
    MarkChanges();
}

LineChoice CMainDlg::ShownChoice() const {
    return {static_cast<int>(SendMessageW(Item(IDC_BAUD), CB_GETCURSEL, 0, 0)),
            static_cast<int>(SendMessageW(Item(IDC_MODE), CB_GETCURSEL, 0, 0)), Text(IDC_ADDRESS)};
}

void CMainDlg::MarkChanges() {
    const ChangedFields changed = m_model.Changes(ShownChoice(), m_keptBaudRate);
    if (m_marked && *m_marked == changed) {
        return;  // a font set again redraws the field for nothing
    }
    m_marked = changed;
    const auto mark = [this](int id, bool marked) {
        const HFONT font =
            marked ? m_boldFont : reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
        SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        m_tips.Set(Item(id), marked ? kChangedFieldTip : std::string_view());
    };
    mark(IDC_BAUD, changed.baudRate);
    mark(IDC_MODE, changed.mode);
    mark(IDC_ADDRESS, changed.address);
}

void CMainDlg::ShowChoice(const LineChoice& choice) {
    SendMessageW(Item(IDC_BAUD), CB_SETCURSEL, static_cast<WPARAM>(choice.baudIndex), 0);
    SendMessageW(Item(IDC_MODE), CB_SETCURSEL, static_cast<WPARAM>(choice.modeIndex), 0);
    SetText(IDC_ADDRESS, choice.address);
    UpdateWriteButton();
    UpdateData();
}

void CMainDlg::DropKeptBaudEntry() {
    if (m_keptBaudRate) {
        SendMessageW(Item(IDC_BAUD), CB_DELETESTRING, BaudRateTable.size(), 0);
        m_keptBaudRate.reset();
    }
}

void CMainDlg::OnRead() {
    DropKeptBaudEntry();
    const ReadChoice choice = MainWindowModel::ChoiceOf(ControllerValues::Of(m_controller));
    if (choice.keptBaudRate) {
        m_keptBaudRate = choice.keptBaudRate;
        SendMessageW(Item(IDC_BAUD), CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(std::to_wstring(*choice.keptBaudRate).c_str()));
    }
    ShowChoice(choice.line);
}

void CMainDlg::OnWrite() {
    const WriteRequest request = MainWindowModel::ToWrite(ShownChoice(), m_keptBaudRate);
    if (const auto* refusal = std::get_if<FieldRefusal>(&request)) {
        ShowRefusal(Item(IDC_ADDRESS), *refusal);
    }
    const auto* toWrite = std::get_if<CommConfig>(&request);
    if (toWrite == nullptr) {
        return;
    }
    const CommConfig config = *toWrite;
    CWriteConfDlg dialog(config, m_controller);
    m_writeUnderWay = &dialog.Procedure();
    const int result = dialog.RunModal(Handle());
    m_writeUnderWay = nullptr;
    if (result != IDOK) {
        return;
    }
    const AfterWriteNotice notice = m_model.WriteDone(config);
    UpdateData();
    CLogService::Instance().Report(notice.messageId, true, notice.baudRate, notice.mode, notice.address);
}
