#include "win32/TrafficWindow.h"

#include <commdlg.h>

#include <fstream>

#include "win32/MessageBoxes.h"
#include "win32/Text.h"
#include "win32/resource.h"

namespace {

constexpr UINT_PTR kDrainTimer = 1;
// Column widths in average characters, as the Linux window sets them.
constexpr int kColumnChars[TrafficRows::ColumnCount] = {10, 5, 26, 46, 20};

}  // namespace

CTrafficWindow::CTrafficWindow(traffic::FrameRing& ring, std::size_t maxRows)
    : CDialogWindow(IDD_TRAFFIC), m_ring(ring), m_rows(maxRows) {}

bool CTrafficWindow::OnInitDialog() {
    const HWND list = Item(IDC_TRAFFIC_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    const int character = LOWORD(GetDialogBaseUnits());
    for (int column = 0; column < TrafficRows::ColumnCount; ++column) {
        std::wstring title = Wide(TrafficRows::Title(column));
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.pszText = title.data();
        header.cx = kColumnChars[column] * character;
        ListView_InsertColumn(list, column, &header);
    }
    SetTimer(Handle(), kDrainTimer, TrafficRows::kDrainPeriodMs, nullptr);
    ShowCounts();
    return true;
}

void CTrafficWindow::Show() {
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
}

void CTrafficWindow::ShowAt(const RECT& place) {
    SetWindowPos(Handle(), nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(Handle(), SW_SHOWNA);
}

void CTrafficWindow::Drain() {
    std::vector<traffic::Frame> frames = m_ring.Drain();
    if (frames.empty()) {
        return;
    }
    TrafficRows::Batch batch = m_rows.Take(std::move(frames));
    ShowCounts();
    if (batch.append.empty()) {
        return;
    }
    const HWND list = Item(IDC_TRAFFIC_LIST);
    // Follow the newest line unless the operator has scrolled up to read an older one.
    const int count = ListView_GetItemCount(list);
    const bool followNewest =
        count == 0 || ListView_GetTopIndex(list) + ListView_GetCountPerPage(list) >= count;
    m_rows.Drop(batch.drop);
    m_rows.Append(std::move(batch.append));
    ListView_SetItemCountEx(list, static_cast<int>(m_rows.Size()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    InvalidateRect(list, nullptr, FALSE);
    if (followNewest && m_rows.Size() != 0) {
        ListView_EnsureVisible(list, static_cast<int>(m_rows.Size()) - 1, FALSE);
    }
}

void CTrafficWindow::ShowCounts() {
    SetText(IDC_TRAFFIC_COUNTS, m_rows.CountsText(m_ring.Lost()));
}

void CTrafficWindow::OnCommand(int id, int /*code*/, HWND /*control*/) {
    switch (id) {
        case IDC_TRAFFIC_PAUSE: {
            const bool paused = SendMessageW(Item(IDC_TRAFFIC_PAUSE), BM_GETCHECK, 0, 0) == BST_CHECKED;
            m_rows.SetPaused(paused);
            SetText(IDC_TRAFFIC_PAUSE, paused ? "Resume" : "&Pause");
            break;
        }
        case IDC_TRAFFIC_CLEAR:
            m_rows.Clear();
            ListView_SetItemCountEx(Item(IDC_TRAFFIC_LIST), 0, 0);
            ShowCounts();
            break;
        case IDC_TRAFFIC_SAVE:
            OnSave();
            break;
        default:
            break;
    }
}

bool CTrafficWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kDrainTimer) {
                Drain();
            }
            return true;
        case WM_SIZE:
            Layout();
            return true;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom == IDC_TRAFFIC_LIST && header->code == NM_CUSTOMDRAW) {
                // A failed exchange's rows in the Qt window's colours: dark red on pale red.
                auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
                if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
                    result = CDRF_NOTIFYITEMDRAW;
                } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                    const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
                    if (row < m_rows.Size() && m_rows.IsFailure(row)) {
                        draw.clrText = RGB(0x9c, 0x00, 0x06);
                        draw.clrTextBk = RGB(0xff, 0xc7, 0xce);
                    }
                    result = CDRF_DODEFAULT;
                }
                return true;
            }
            if (header->idFrom == IDC_TRAFFIC_LIST && header->code == LVN_GETDISPINFOW) {
                LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
                if ((item.mask & LVIF_TEXT) != 0 && static_cast<std::size_t>(item.iItem) < m_rows.Size()) {
                    m_cell = Wide(m_rows.Cell(static_cast<std::size_t>(item.iItem), item.iSubItem));
                    item.pszText = m_cell.data();
                }
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

// The list takes what the buttons and the counts line leave; they keep their size at the bottom.
void CTrafficWindow::Layout() {
    RECT client{};
    GetClientRect(Handle(), &client);
    RECT unit{0, 0, 7, 14};  // margin and button height in dialog units
    MapDialogRect(Handle(), &unit);
    const int margin = unit.right;
    const int buttonHeight = unit.bottom;
    const int bottom = client.bottom - margin;
    const auto place = [&](int id, int right, int width) {
        RECT r{};
        GetWindowRect(Item(id), &r);
        const int w = width > 0 ? width : r.right - r.left;
        SetWindowPos(Item(id), nullptr, right - w, bottom - buttonHeight, w, buttonHeight, SWP_NOZORDER);
        return right - w - margin / 2;
    };
    int right = client.right - margin;
    right = place(IDC_TRAFFIC_SAVE, right, 0);
    place(IDC_TRAFFIC_CLEAR, right, 0);
    RECT pause{};
    GetWindowRect(Item(IDC_TRAFFIC_PAUSE), &pause);
    SetWindowPos(Item(IDC_TRAFFIC_PAUSE), nullptr, margin, bottom - buttonHeight, pause.right - pause.left,
                 buttonHeight, SWP_NOZORDER);
    const int countsTop = bottom - buttonHeight - margin - buttonHeight / 2 - 2;
    SetWindowPos(Item(IDC_TRAFFIC_COUNTS), nullptr, margin, countsTop, client.right - 2 * margin,
                 buttonHeight / 2 + 2, SWP_NOZORDER);
    SetWindowPos(Item(IDC_TRAFFIC_LIST), nullptr, margin, margin, client.right - 2 * margin,
                 countsTop - 2 * margin, SWP_NOZORDER);
}

void CTrafficWindow::OnSave() {
    wchar_t path[MAX_PATH] = L"traffic.txt";
    OPENFILENAMEW save{};
    save.lStructSize = sizeof save;
    save.hwndOwner = Handle();
    save.lpstrFilter = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
    save.lpstrFile = path;
    save.nMaxFile = MAX_PATH;
    save.lpstrTitle = L"Save traffic";
    save.lpstrDefExt = L"txt";
    save.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&save)) {
        return;
    }
    const std::string text = m_rows.Text();
    std::ofstream file(path, std::ios::binary);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file) {
        MessageBoxW(Handle(),
                    Wide("Could not save " + Utf8(path) + ": the file could not be written.").c_str(),
                    L"Traffic", MB_OK | MB_ICONWARNING);
    }
}
