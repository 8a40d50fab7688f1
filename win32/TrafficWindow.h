#pragma once
// Every frame on the line: a virtual list view over TrafficRows (the list asks for the cells it shows,
// so a batch of any size costs one count update), the counts under it, Pause, Clear and Save. It is
// made with the main window, hidden, and drains the frame buffer from then on, whether shown or not.
#include <string>

#include "present/TrafficRows.h"
#include "traffic/FrameRing.h"
#include "win32/DialogWindow.h"

class CTrafficWindow : public CDialogWindow {
public:
    explicit CTrafficWindow(traffic::FrameRing& ring, std::size_t maxRows = TrafficRows::kDefaultMaxRows);

    void Show();
    void ShowAt(const RECT& place);
    // Takes what the buffer holds now.
    void Drain();
    const TrafficRows& Rows() const { return m_rows; }

private:
    bool OnInitDialog() override;
    void OnCancel() override { ShowWindow(Handle(), SW_HIDE); }  // closing only hides: the rows stay
    void OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void Layout();
    void ShowCounts();
    void OnSave();

    traffic::FrameRing& m_ring;
    TrafficRows m_rows;
    std::wstring m_cell;  // the text handed to the list for one cell, kept until it asks again
};
