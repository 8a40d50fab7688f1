#pragma once
// The connection settings dialog: which port, baud rate, parity/stop bits and slave address to use, and
// whether the adapter echoes, how long a reply may take and whether the driver switches an RS-485 line. It
// offers the ports Windows reports, read again each time the list drops down, takes a network gateway
// (tcp://, rfc2217://) typed into the port field, preselects the settings it is given, finds the controller
// on the chosen port on request and checks the address on OK; it opens nothing and remembers nothing itself.
// A view of ConnectionForm and PortRules.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "present/ConnectionForm.h"
#include "present/ConnectionStartup.h"
#include "present/PortRules.h"
#include "traffic/Frame.h"
#include "win32/DialogWindow.h"
#include "win32/FieldTip.h"

using PortSource = std::function<std::vector<PortFacts>()>;

class CComChoiceDlg : public CDialogWindow {
public:
    CComChoiceDlg(const ConnectionChoice& shown, PortSource ports,
                  traffic::IFrameObserver* findTap = nullptr);

    // The choice once the dialog ended with OK.
    const ConnectionChoice& Choice() const { return m_choice; }

private:
    bool OnInitDialog() override;
    void OnCommand(int id, int code, HWND control) override;

    // Fills the port list from what the system reports now. Returns the entries' port texts.
    const std::vector<std::string>& FillPortList();
    void OnPortDropDown();
    // The port text of the choice: the entry's own when an entry is chosen, else what was typed.
    std::string ChosenPort() const;
    void OnOk();
    void OnFind();
    void ShowSettings(const LineChoice& line);
    LineChoice ShownLine() const;
    bool IsChecked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    ConnectionChoice m_choice;
    const PortSource m_portSource;
    traffic::IFrameObserver* const m_findTap;
    std::vector<std::string> m_ports;  // the port list's entries, in its order
    CControlTips m_tips;
};

// The dialog as start-up's operation, listing the ports of `ports`.
ConnectionDialog ComChoiceDialog(PortSource ports, traffic::IFrameObserver* findTap);
