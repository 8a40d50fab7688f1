#include "win32/ComChoiceDlg.h"

#include <variant>

#include "device/ControllerFacts.h"
#include "present/FindProgress.h"
#include "res/Strings.h"
#include "win32/FieldTip.h"
#include "win32/FindDlg.h"
#include "win32/Text.h"
#include "win32/resource.h"

CComChoiceDlg::CComChoiceDlg(const ConnectionChoice& shown, PortSource ports,
                             traffic::IFrameObserver* findTap)
    : CDialogWindow(IDD_CONNECTION), m_choice(shown), m_portSource(std::move(ports)), m_findTap(findTap) {}

bool CComChoiceDlg::OnInitDialog() {
    const PortPreselection preselection =
        PreselectPort(EPortNaming::Windows, FillPortList(), m_choice.devicePath);
    SendMessageW(Item(IDC_PORT), CB_SETCURSEL, static_cast<WPARAM>(preselection.index), 0);
    // A text that is not listed (a gateway typed by hand, a port that is gone) stays in view, so that
    // the operator can correct it rather than type it again; OK still waits for a change.
    if (preselection.index < 0) {
        SetText(IDC_PORT, m_choice.devicePath);
    }
    Enable(IDOK, preselection.enableOk);

    FillList(Item(IDC_BAUD), BaudRateTexts());
    FillList(Item(IDC_MODE), ModeTexts());
    ShowSettings(PreselectLine(m_choice.baudRate, m_choice.parity, m_choice.stopBits, m_choice.address));
    SendMessageW(Item(IDC_ECHO), BM_SETCHECK, m_choice.echo ? BST_CHECKED : BST_UNCHECKED, 0);
    SetText(IDC_REPLY_TIME, ReplyTimeText(m_choice.replyTimeoutMs));
    SendMessageW(Item(IDC_REPLY_TIME), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(Wide(kReplyTimeCue).c_str()));
    SendMessageW(Item(IDC_RS485), BM_SETCHECK, m_choice.rs485 ? BST_CHECKED : BST_UNCHECKED, 0);
    m_tips.Set(Item(IDC_REPLY_TIME), kReplyTimeTip);
    m_tips.Set(Item(IDC_ECHO), kEchoTip);
    m_tips.Set(Item(IDC_RS485), kRs485Tip);
    m_tips.Set(Item(IDC_FIND), kFindTip);
    // The labels ("COM5 — USB Serial Port") are wider than the field.
    SendMessageW(Item(IDC_PORT), CB_SETDROPPEDWIDTH, 320, 0);
    SetFocus(Item(IDC_PORT));
    return false;
}

const std::vector<std::string>& CComChoiceDlg::FillPortList() {
    const std::vector<PortFacts> system = m_portSource();
    m_ports = DiscoverPorts(EPortNaming::Windows, system, m_choice.devicePath);
    std::vector<std::string> labels;
    for (const std::string& port : m_ports) {
        labels.push_back(PortLabel(port, system));
    }
    FillList(Item(IDC_PORT), labels);
    return m_ports;
}

void CComChoiceDlg::OnPortDropDown() {
    const std::string current = ChosenPort();
    // Reading the list again is no choice of the operator's: it sends no notification and leaves OK.
    FillPortList();
    int index = -1;
    for (std::size_t i = 0; i < m_ports.size(); ++i) {
        if (m_ports[i] == current) {
            index = static_cast<int>(i);
        }
    }
    SendMessageW(Item(IDC_PORT), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (index < 0) {
        SetText(IDC_PORT, current);
    }
}

std::string CComChoiceDlg::ChosenPort() const {
    const auto index = static_cast<int>(SendMessageW(Item(IDC_PORT), CB_GETCURSEL, 0, 0));
    const std::string shown = Text(IDC_PORT);
    if (index >= 0 && static_cast<std::size_t>(index) < m_ports.size()) {
        // An entry shows its label; typing over it makes the text the operator's own.
        wchar_t label[512] = {};
        if (SendMessageW(Item(IDC_PORT), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) < 511) {
            SendMessageW(Item(IDC_PORT), CB_GETLBTEXT, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(label));
        }
        if (Utf8(label) == shown) {
            return m_ports[static_cast<std::size_t>(index)];
        }
    }
    return shown;
}

void CComChoiceDlg::OnCommand(int id, int code, HWND /*control*/) {
    switch (id) {
        case IDC_PORT:
            if (code == CBN_SELCHANGE || code == CBN_EDITCHANGE) {
                Enable(IDOK, true);
            } else if (code == CBN_DROPDOWN) {
                OnPortDropDown();
            }
            break;
        case IDOK:
            OnOk();
            break;
        case IDC_DEFAULT:
            ShowSettings(FactoryLineChoice());
            break;
        case IDC_FIND:
            OnFind();
            break;
        default:
            break;
    }
}

LineChoice CComChoiceDlg::ShownLine() const {
    return {static_cast<int>(SendMessageW(Item(IDC_BAUD), CB_GETCURSEL, 0, 0)),
            static_cast<int>(SendMessageW(Item(IDC_MODE), CB_GETCURSEL, 0, 0)), Text(IDC_ADDRESS)};
}

void CComChoiceDlg::ShowSettings(const LineChoice& line) {
    SendMessageW(Item(IDC_BAUD), CB_SETCURSEL, static_cast<WPARAM>(line.baudIndex), 0);
    SendMessageW(Item(IDC_MODE), CB_SETCURSEL, static_cast<WPARAM>(line.modeIndex), 0);
    SetText(IDC_ADDRESS, line.address);
}

void CComChoiceDlg::OnOk() {
    if (!IsEnabled(IDOK)) {
        return;  // Enter reaches a disabled default button too
    }
    const std::string port = ChosenPort();
    const std::variant<ChosenLine, FieldRefusal> taken = TakeLine(ShownLine());
    if (const auto* refusal = std::get_if<FieldRefusal>(&taken)) {
        ShowRefusal(Item(IDC_ADDRESS), *refusal);
        return;
    }
    const std::variant<ReplyTime, FieldRefusal> replyTime = TakeReplyTime(Text(IDC_REPLY_TIME));
    if (const auto* refusal = std::get_if<FieldRefusal>(&replyTime)) {
        ShowRefusal(Item(IDC_REPLY_TIME), *refusal);
        return;
    }
    const ChosenLine& line = std::get<ChosenLine>(taken);
    m_choice = {DevicePath(EPortNaming::Windows, port),
                line.baudRate,
                line.parity,
                line.stopBits,
                line.address,
                IsChecked(IDC_ECHO),
                std::get<ReplyTime>(replyTime),
                IsChecked(IDC_RS485)};
    EndDialog(IDOK);
}

void CComChoiceDlg::OnFind() {
    // The entry's port, as OK takes it: its label is no path.
    const std::string port = ChosenPort();
    if (port.empty()) {
        return;
    }
    const std::string devicePath = DevicePath(EPortNaming::Windows, port);
    // What the dialog shows is the likeliest guess and is tried first.
    CFindDlg find(devicePath, FindGuess(ShownLine()), m_findTap);
    find.Run(Handle());
    const ScanResult& result = find.Result();
    SetText(IDC_FIND_RESULT, FindResultText(result));
    if (const std::optional<ScanCandidate> found = TakeFindResult(result, devicePath)) {
        ShowSettings(LineChoiceOf(*found));
        Enable(IDOK, true);
    }
}

ConnectionDialog ComChoiceDialog(PortSource ports, traffic::IFrameObserver* findTap) {
    return [ports = std::move(ports),
            findTap](const ConnectionChoice& shown) -> std::optional<ConnectionChoice> {
        CComChoiceDlg dialog(shown, ports, findTap);
        if (dialog.RunModal(nullptr) != IDOK) {
            return std::nullopt;
        }
        return dialog.Choice();
    };
}
