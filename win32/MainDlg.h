#pragma once
// The main configuration window: the connection in use, the new settings and the controller's own
// settings side by side (new ones that differ from the controller's marked), the controller's model and
// version, the saved settings that wait for its restart, and the connection status with the next step
// beside it: a view of MainWindowModel. It listens to the controller; the worker thread only posts
// each notification to the window (PostMessageW), whose thread feeds the model.
#include <memory>
#include <optional>

#include "device/Ardeno.h"
#include "device/WriteProcedure.h"
#include "present/MainWindowModel.h"
#include "win32/DialogWindow.h"
#include "win32/FieldTip.h"
#include "win32/TrafficWindow.h"

class CComDevice;

class CMainDlg : public CDialogWindow, public IModbusDeviceListener {
public:
    enum {
        ResultClose = kMainWindowClosed,
        ResultChange = kMainWindowChange,
        ResultCommission = kMainWindowCommission
    };

    // `traffic`: the buffer the transport's frame tap fills; without one there is no Traffic button.
    CMainDlg(CArdeno& controller, CComDevice& comDevice, traffic::FrameRing* traffic = nullptr);
    ~CMainDlg() override;

    // Runs the window: ResultClose, ResultChange, ResultCommission, or -1 when the program was asked to quit.
    int DoModal();

    const std::optional<CommConfig>& WrittenConfig() const { return m_model.Written(); }
    // Where the Traffic window was when this window ended, if it was open; the next window (after
    // Change) opens it there again.
    const std::optional<RECT>& OpenTrafficPlace() const { return m_trafficPlace; }
    void ReopenTraffic(const RECT& place) { m_reopenTraffic = place; }

    // Worker thread: post only.
    void OnDeviceError(std::uint32_t errorCode) override;
    void OnVarUpdated(int id, bool success) override;

private:
    bool OnInitDialog() override;
    void OnCommand(int id, int code, HWND control) override;
    void OnCancel() override {}  // Escape does nothing
    void OnClose() override { End(ResultClose); }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnEnded() override;

    void OnDeviceErrorMessage(std::uint32_t errorCode);
    void UpdateWriteButton();
    void UpdateData();
    void ShowChoice(const LineChoice& choice);
    LineChoice ShownChoice() const;
    // New settings that differ from the controller's own in bold, with a tip saying so.
    void MarkChanges();
    void DropKeptBaudEntry();
    void OnRead();
    void OnWrite();
    void End(int result);

    CArdeno& m_controller;
    CComDevice& m_comDevice;
    MainWindowModel m_model;
    HWND m_window = nullptr;                      // where the worker posts; set before the window listens
    std::optional<std::uint32_t> m_keptBaudRate;  // the speed Read added after the offered ones
    const CWriteProcedure* m_writeUnderWay = nullptr;
    std::unique_ptr<CTrafficWindow> m_traffic;  // made with the window, so that it drains from the first poll
    std::optional<RECT> m_trafficPlace;
    std::optional<RECT> m_reopenTraffic;
    HFONT m_boldFont = nullptr;
    std::optional<ChangedFields> m_marked;  // as the fields show it; none before the first marking
    CControlTips m_tips;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
};
