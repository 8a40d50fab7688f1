#include "win32/CommissionDlg.h"

#include <algorithm>
#include <filesystem>

#include "device/ControllerFacts.h"
#include "present/CommissionRun.h"
#include "present/IntegerField.h"
#include "win32/FieldTip.h"
#include "win32/Text.h"
#include "win32/resource.h"

#include <commdlg.h>

namespace {

constexpr int kUnitColumnChars = 14;

}  // namespace

CCommissionDlg::CCommissionDlg(ConnectionRecipe recipe, const ScanCandidate& factory,
                               ISettingsStore* remembered)
    : CDialogWindow(IDD_COMMISSION),
      m_recipe(std::move(recipe)),
      m_factory(factory),
      m_remembered(remembered) {}

CCommissionDlg::~CCommissionDlg() {
    if (m_bench) {
        m_bench->RequestStop();
    }
    Join();
    if (m_promptFont != nullptr) {
        DeleteObject(m_promptFont);
    }
}

bool CCommissionDlg::OnInitDialog() {
    m_window = Handle();
    SetText(IDC_COMM_FACTORY, DescribeCandidate(m_factory));
    FillList(Item(IDC_COMM_BAUD), BaudRateTexts());
    FillList(Item(IDC_COMM_MODE), ModeTexts());
    SendMessageW(Item(IDC_COMM_LOG), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"one CSV row per unit, appended (optional)"));
    const CommissionFields shown{
        kFirstAddress, 1, m_factory.line.baudRate, static_cast<int>(m_factory.line.modeIndex), {}};
    ShowFields(m_remembered != nullptr ? RememberedCommission(*m_remembered, shown) : shown);
    ShowLogNote();

    // The prompt in large bold text: the operator reads it from the bench, not from the screen's edge.
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfHeight = font.lfHeight * 8 / 5;
    font.lfWeight = FW_BOLD;
    m_promptFont = CreateFontIndirectW(&font);
    SendMessageW(Item(IDC_COMM_PROMPT), WM_SETFONT, reinterpret_cast<WPARAM>(m_promptFont), FALSE);
    SetText(IDC_COMM_PROMPT, kCommissionIdlePrompt);

    const HWND units = Item(IDC_COMM_UNITS);
    ListView_SetExtendedListViewStyle(units, LVS_EX_FULLROWSELECT);
    int column = 0;
    for (const char* header : UnitTableHeaders()) {
        std::wstring title = Wide(header);
        LVCOLUMNW entry{};
        entry.mask = LVCF_TEXT | LVCF_WIDTH;
        entry.pszText = title.data();
        entry.cx = kUnitColumnChars * LOWORD(GetDialogBaseUnits());
        ListView_InsertColumn(units, column++, &entry);
    }
    return true;
}

void CCommissionDlg::ShowFields(const CommissionFields& fields) {
    SetText(IDC_COMM_FIRST, std::to_string(fields.firstAddress));
    SetText(IDC_COMM_COUNT, std::to_string(fields.count));
    for (std::size_t i = 0; i < BaudRateTable.size(); ++i) {
        if (BaudRateTable[i] == fields.baudRate) {
            SendMessageW(Item(IDC_COMM_BAUD), CB_SETCURSEL, i, 0);
        }
    }
    SendMessageW(Item(IDC_COMM_MODE), CB_SETCURSEL, static_cast<WPARAM>(fields.modeIndex), 0);
    SetText(IDC_COMM_LOG, fields.logPath);
}

void CCommissionDlg::ShowLogNote() {
    const std::string note = LogPathNote(Text(IDC_COMM_LOG), std::filesystem::current_path());
    SetText(IDC_COMM_LOG_NOTE, note);
    ShowWindow(Item(IDC_COMM_LOG_NOTE), note.empty() ? SW_HIDE : SW_SHOWNA);
}

void CCommissionDlg::OnBrowse() {
    std::wstring path = Wide(Text(IDC_COMM_LOG));
    path.resize(std::max<std::size_t>(path.size() + 1, MAX_PATH * 4), L'\0');
    OPENFILENAMEW choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = Handle();
    choice.lpstrFilter = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
    choice.lpstrFile = path.data();
    choice.nMaxFile = static_cast<DWORD>(path.size());
    choice.lpstrTitle = L"Log file";
    // The log is appended to, never replaced: choosing an existing file asks nothing. A relative path
    // typed later still means the folder the program started in.
    choice.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (GetSaveFileNameW(&choice)) {
        SetText(IDC_COMM_LOG, Utf8(path.c_str()));
    }
}

void CCommissionDlg::OnCommand(int id, int code, HWND /*control*/) {
    switch (id) {
        case IDC_COMM_START:
            Start();
            break;
        case IDC_COMM_STOP:
            Stop();
            break;
        case IDC_COMM_CLOSE:
            OnCancel();
            break;
        case IDC_COMM_BROWSE:
            OnBrowse();
            break;
        case IDC_COMM_LOG:
            if (code == EN_CHANGE) {
                ShowLogNote();
            }
            break;
        default:
            break;
    }
}

void CCommissionDlg::Start() {
    if (m_run.joinable()) {
        return;
    }
    const auto baud = static_cast<int>(SendMessageW(Item(IDC_COMM_BAUD), CB_GETCURSEL, 0, 0));
    const auto mode = static_cast<int>(SendMessageW(Item(IDC_COMM_MODE), CB_GETCURSEL, 0, 0));
    const LineSettings target{BaudRateTable.at(static_cast<std::size_t>(baud < 0 ? 0 : baud)),
                              static_cast<std::size_t>(mode < 0 ? 0 : mode)};
    // The fields take digits only, yet any number of them: a value outside its range is refused, not cut.
    const IntegerCheck first = CheckInteger(Text(IDC_COMM_FIRST), kFirstAddress, kLastAddress);
    const IntegerCheck count = CheckInteger(Text(IDC_COMM_COUNT), 1, kLastAddress);
    if (first.refusal) {
        ShowRefusal(Item(IDC_COMM_FIRST), *first.refusal);
        return;
    }
    if (count.refusal) {
        ShowRefusal(Item(IDC_COMM_COUNT), *count.refusal);
        return;
    }
    const CommissionPlan plan{m_factory, target, static_cast<std::uint8_t>(first.value),
                              static_cast<unsigned>(count.value)};
    if (const PlanFault fault = CheckPlan(plan); fault != PlanFault::None) {
        SetText(IDC_COMM_PROMPT, PlanFaultText(fault, plan));
        return;
    }
    // The log is known to take rows before any unit is touched.
    std::unique_ptr<CUnitLog> log;
    if (const std::string logPath = Text(IDC_COMM_LOG); !logPath.empty()) {
        log = std::make_unique<CUnitLog>();
        if (!log->Open(logPath)) {
            SetText(IDC_COMM_PROMPT, LogNotOpenedText(log->Failure()));
            return;
        }
    }
    m_bench =
        std::make_unique<CViewBench>(m_recipe, std::move(log),
                                     CViewBench::ViewCalls{[this](const std::string& text) { Post(text); },
                                                           [this](const UnitRecord& unit) { Post(unit); },
                                                           [this](const ScanCandidate& at) { Post(at); }});
    if (m_remembered != nullptr) {
        RememberCommission(*m_remembered, {first.value, count.value, target.baudRate,
                                           static_cast<int>(target.modeIndex), Text(IDC_COMM_LOG)});
    }
    EnableFields(false);
    Enable(IDC_COMM_STOP, true);
    m_run = std::thread([this, plan] {
        const CommissionEnd end = RunCommissioning(plan, *m_bench);
        Post(Ended{end, m_bench->Failure()});
    });
}

void CCommissionDlg::Stop() {
    if (m_bench) {
        m_bench->RequestStop();
    }
    Enable(IDC_COMM_STOP, false);
}

void CCommissionDlg::OnCancel() {
    if (!m_run.joinable()) {
        EndDialog(IDCANCEL);
        return;
    }
    m_closeWhenEnded = true;
    Stop();
}

void CCommissionDlg::Post(Note note) {
    bool first = false;
    {
        const std::lock_guard guard(m_lock);
        first = m_notes.empty();
        m_notes.push_back(std::move(note));
    }
    if (first) {
        PostMessageW(m_window, WM_WORKER_PROGRESS, 0, 0);
    }
}

bool CCommissionDlg::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/) {
    if (message != WM_WORKER_PROGRESS) {
        return false;
    }
    TakeNotes();
    return true;
}

void CCommissionDlg::TakeNotes() {
    std::deque<Note> notes;
    {
        const std::lock_guard guard(m_lock);
        notes.swap(m_notes);
    }
    for (const Note& note : notes) {
        if (const auto* prompt = std::get_if<std::string>(&note)) {
            SetText(IDC_COMM_PROMPT, *prompt);
        } else if (const auto* record = std::get_if<UnitRecord>(&note)) {
            AddRow(*record);
        } else if (const auto* at = std::get_if<ScanCandidate>(&note)) {
            m_lastDone = *at;
        } else {
            OnRunEnded(std::get<Ended>(note));
        }
    }
}

void CCommissionDlg::AddRow(const UnitRecord& record) {
    const HWND units = Item(IDC_COMM_UNITS);
    const int row = ListView_GetItemCount(units);
    int column = 0;
    for (const std::string& cell : UnitRowCells(record)) {
        std::wstring text = Wide(cell);
        if (column == 0) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = text.data();
            ListView_InsertItem(units, &item);
        } else {
            ListView_SetItemText(units, row, column, text.data());
        }
        ++column;
    }
    // The settings before and after are read whole: the address alone does not tell what a unit got.
    for (int i = 0; i < column; ++i) {
        ListView_SetColumnWidth(units, i, LVSCW_AUTOSIZE_USEHEADER);
    }
    ListView_EnsureVisible(units, row, FALSE);
}

void CCommissionDlg::OnRunEnded(const Ended& ended) {
    Join();
    m_bench.reset();  // closes the log
    SetText(IDC_COMM_PROMPT, RunEndText(ended.end, ended.failure));
    Enable(IDC_COMM_STOP, false);
    EnableFields(true);
    if (m_closeWhenEnded) {
        EndDialog(IDCANCEL);
    }
}

void CCommissionDlg::EnableFields(bool enabled) {
    for (const int id : {IDC_COMM_FIRST, IDC_COMM_COUNT, IDC_COMM_BAUD, IDC_COMM_MODE, IDC_COMM_LOG,
                         IDC_COMM_BROWSE, IDC_COMM_START}) {
        Enable(id, enabled);
    }
}

void CCommissionDlg::Join() {
    if (m_run.joinable()) {
        m_run.join();
    }
}
