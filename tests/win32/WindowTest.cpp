// The Windows window under wine, driven as an operator would drive it, by window messages: texts set,
// list entries chosen, buttons clicked, and texts and enabled states read back. The program runs whole
// (connection dialog, main window, write dialog, message boxes) on the registry's profile and the
// system's ports; a thread timer plays the operator inside whichever message loop runs.
//
// Usage: win32_window_test CASE COMn KILL_FILE
//   first-run  empty profile: OK waits for a port; connect, Write (Cancel asked while it runs and left
//              to close itself), Change offers what was written
//   port-lost  remembered port preselected; the stand-in goes away while polling (KILL_FILE asks the
//              script around the test to stop it)
//   cancel     empty profile, Cancel at once: the run ends, nothing is written
//   gateway    a tcp:// gateway typed into the port field (given in place of COMn): connected, and its
//              name remembered as typed
//   measure    not a test: the time from the main window's opening to "Connected", ten times
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "win32/ConfigApp.h"
#include "win32/MessageBoxes.h"
#include "win32/RegistryProfile.h"
#include "win32/SystemPorts.h"
#include "win32/Text.h"
#include "win32/resource.h"

namespace {

constexpr DWORD kStepTimeoutMs = 60000;  // a loaded 2-core machine under wine

struct Step {
    std::string name;
    std::function<bool()> done;  // performs the step's actions once its condition holds
};

std::vector<Step> g_steps;
std::size_t g_next = 0;
DWORD g_stepStart = 0;
int g_failures = 0;
bool g_busy = false;

void Fail(const std::string& what) {
    std::printf("FAILED: %s: %s\n", g_next < g_steps.size() ? g_steps[g_next].name.c_str() : "end",
                what.c_str());
    std::fflush(stdout);
    ++g_failures;
}

void Expect(bool condition, const std::string& what) {
    if (!condition) {
        Fail(what);
    }
}

void ExpectText(HWND dialog, int id, const std::string& expected) {
    const std::string shown = ItemText(dialog, id);
    Expect(shown == expected,
           "control " + std::to_string(id) + " shows \"" + shown + "\", expected \"" + expected + "\"");
}

// The visible top-level window of this thread whose caption begins with `caption`.
HWND FindWindowCalled(const std::wstring& caption) {
    struct Search {
        std::wstring caption;
        HWND found = nullptr;
    } search{caption};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lParam);
            wchar_t text[256] = {};
            GetWindowTextW(hwnd, text, 256);
            if (IsWindowVisible(hwnd) && std::wstring(text).rfind(s.caption, 0) == 0) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ConnectionDialog() {
    return FindWindowCalled(L"Choose connection settings");
}
HWND MainWindow() {
    return FindWindowCalled(L"ArdenoX Modbus Configuration");
}
HWND MessageBoxShown() {
    return FindWindowCalled(kMessageCaption);
}
// The visible top-level window of this thread that holds a control `id`.
HWND FindWindowWith(int id) {
    struct Search {
        int id;
        HWND found = nullptr;
    } search{id};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lParam);
            if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, s.id) != nullptr) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Title(HWND window) {
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    return Utf8(title);
}
std::string MessageText(HWND box) {
    return ItemText(box, 0xFFFF);  // the static text of a message box
}

// A click as the button sends it, posted: what it starts (a modal loop) runs after this step returns.
void Click(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Escape, or the close box: what a dialog without a Cancel button takes.
void Escape(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

void Choose(HWND dialog, int id, int index) {
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The entry of the port list that stands for `port` ("COM12 — ..." or "COM12").
int PortEntry(HWND dialog, const std::string& port) {
    const auto count = static_cast<int>(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t label[256] = {};
        SendDlgItemMessageW(dialog, IDC_PORT, CB_GETLBTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(label));
        const std::string text = Utf8(label);
        if (text == port || text.rfind(port + " ", 0) == 0) {
            return i;
        }
    }
    return -1;
}

bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// Whether a field is marked as differing from the controller's own setting: in bold.
bool Marked(HWND dialog, int id) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font.lfWeight >= FW_BOLD;
}

// A value of the remembered connection: its type and, for a number, the number; for a text, the text.
struct Stored {
    DWORD type = REG_NONE;
    DWORD number = 0;
    std::string text;
};
Stored StoredValue(const wchar_t* name) {
    Stored stored;
    BYTE data[512] = {};
    DWORD size = sizeof data - 2;
    if (RegGetValueW(HKEY_CURRENT_USER, CRegistryProfile::KeyOf(kConnectionSection).c_str(), name, RRF_RT_ANY,
                     &stored.type, data, &size) != ERROR_SUCCESS) {
        stored.type = REG_NONE;
        return stored;
    }
    if (stored.type == REG_DWORD) {
        stored.number = *reinterpret_cast<DWORD*>(data);
    } else if (stored.type == REG_SZ) {
        stored.text = Utf8(reinterpret_cast<wchar_t*>(data));
    }
    return stored;
}

bool ProfileExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, CRegistryProfile::KeyOf(kConnectionSection).c_str(), 0, KEY_READ,
                      &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void ExpectRemembered(const std::string& port, DWORD baud, DWORD parity, DWORD stopBits, DWORD address,
                      DWORD replyTimeMs = 0) {
    const Stored comPort = StoredValue(L"ComPort");
    Expect(comPort.type == REG_SZ && comPort.text == "\\\\.\\" + port, "ComPort is \"" + comPort.text + "\"");
    const struct {
        const wchar_t* name;
        DWORD value;
    } numbers[] = {{L"BaudRate", baud},   {L"Parity", parity}, {L"StopBits", stopBits},
                   {L"Address", address}, {L"Echo", 0},        {L"ReplyTimeout", replyTimeMs}};
    for (const auto& number : numbers) {
        const Stored stored = StoredValue(number.name);
        Expect(stored.type == REG_DWORD && stored.number == number.value,
               Utf8(number.name) + " is " + std::to_string(stored.number) + " of type " +
                   std::to_string(stored.type));
    }
}

// Lists the port where Windows lists serial ports: wine does so for the ports it maps at its start only,
// and the stand-in's pseudo-terminal comes later. A serial driver does the same on Windows.
constexpr const wchar_t* kSerialMap = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr const wchar_t* kTestDevice = L"\\Device\\ArdenoXTestSerial";

void ListPort(const std::string& port) {
    const std::wstring name = Wide(port);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSerialMap, kTestDevice, REG_SZ, name.c_str(),
                    static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
}

void UnlistPort() {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSerialMap, kTestDevice);
}

void Remember(const std::string& port) {
    CRegistryProfile profile;
    RememberConnection(profile, {"\\\\.\\" + port, 19200, 0, 0, 16, false, std::nullopt, false});
}

// The controller is shown as the stand-in is: connected, its settings, model and version.
bool ShowsController(HWND main) {
    if (ItemText(main, IDC_STATUS) != "Connected" || ItemText(main, IDC_DEV_ADDRESS).empty() ||
        ItemText(main, IDC_MODEL).empty()) {
        return false;
    }
    ExpectText(main, IDC_DEV_BAUD, "19200");
    ExpectText(main, IDC_DEV_MODE, "None, 1 stop bit");
    ExpectText(main, IDC_DEV_ADDRESS, "16");
    ExpectText(main, IDC_CONN_ADDRESS, "16");
    Expect(Enabled(main, IDC_READ), "Read is disabled");
    return true;
}

void FirstRun(const std::string& port) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brannik");
    g_steps = {
        {"the dialog waits for a port",
         [port] {
             const HWND dialog = ConnectionDialog();
             if (dialog == nullptr) {
                 return false;
             }
             Expect(!Enabled(dialog, IDOK), "OK is enabled before a port was chosen");
             ExpectText(dialog, IDC_BAUD, "19200");
             ExpectText(dialog, IDC_MODE, "Even, 1 stop bit");
             ExpectText(dialog, IDC_ADDRESS, "16");
             Expect(PortEntry(dialog, port) < 0, port + " is listed before it exists");
             return true;
         }},
        {"a port plugged in shows when the list drops down",
         [port] {
             const HWND dialog = ConnectionDialog();
             ListPort(port);
             SendDlgItemMessageW(dialog, IDC_PORT, CB_SHOWDROPDOWN, TRUE, 0);
             SendDlgItemMessageW(dialog, IDC_PORT, CB_SHOWDROPDOWN, FALSE, 0);
             Expect(!Enabled(dialog, IDOK), "reading the list again enabled OK");
             return true;
         }},
        {"OK refuses an address that is no number and keeps the dialog open",
         [port] {
             const HWND dialog = ConnectionDialog();
             Choose(dialog, IDC_PORT, PortEntry(dialog, port));
             SetDlgItemTextW(dialog, IDC_ADDRESS, L"abc");
             Click(dialog, IDOK);
             return true;
         }},
        {"the address refused",
         [] {
             const HWND dialog = ConnectionDialog();
             Expect(dialog != nullptr, "the dialog ended with an invalid address");
             Expect(GetFocus() == GetDlgItem(dialog, IDC_ADDRESS), "the focus is not on the address field");
             SetDlgItemTextW(dialog, IDC_ADDRESS, L"16");
             return true;
         }},
        {"choosing the port enables OK; Find finds the controller there",
         [port] {
             const HWND dialog = ConnectionDialog();
             const int entry = PortEntry(dialog, port);
             Expect(entry >= 0, port + " is not in the port list");
             Choose(dialog, IDC_PORT, entry);
             Expect(Enabled(dialog, IDOK), "OK stays disabled after a port was chosen");
             Choose(dialog, IDC_MODE, 3);  // None, 1 stop bit: a pseudo-terminal refuses parity under wine
             Click(dialog, IDC_FIND);
             return true;
         }},
        {"Find's result",
         [] {
             const HWND dialog = ConnectionDialog();
             if (dialog == nullptr || !IsWindowEnabled(dialog) || ItemText(dialog, IDC_FIND_RESULT).empty()) {
                 return false;
             }
             const std::string found = ItemText(dialog, IDC_FIND_RESULT);
             Expect(found.find("19200") != std::string::npos && found.find("16") != std::string::npos,
                    "Find says: " + found);
             ExpectText(dialog, IDC_MODE, "None, 1 stop bit");
             SetDlgItemTextW(dialog, IDC_REPLY_TIME, L"200");
             Click(dialog, IDOK);
             return true;
         }},
        {"connected, with the controller's values",
         [port] {
             const HWND main = MainWindow();
             if (main == nullptr || !ShowsController(main)) {
                 return false;
             }
             ExpectRemembered(port, 19200, 0, 0, 16, 200);
             Expect(Title(main).ends_with("\u2014 " + port),
                    "the title names the port otherwise: " + Title(main));
             Expect(Enabled(main, IDC_WRITE), "Write is disabled while connected");
             SetDlgItemTextW(main, IDC_ADDRESS, L"17");
             Choose(main, IDC_MODE, 3);
             Expect(Marked(main, IDC_ADDRESS),
                    "the address that differs from the controller's is not marked");
             Expect(!Marked(main, IDC_MODE), "the controller's own mode is marked");
             Click(main, IDC_WRITE);
             return true;
         }},
        {"Cancel while the write runs",
         [] {
             const HWND write = FindWindowWith(IDC_WRITE_HEADLINE);
             if (write == nullptr) {
                 return false;
             }
             Click(write, IDCANCEL);
             return true;
         }},
        {"the question, left open: going on is its default",
         [] {
             const HWND question = FindWindowWith(IDC_STOP_QUESTION);
             if (question == nullptr) {
                 return false;
             }
             Expect(GetFocus() == GetDlgItem(question, IDCANCEL), "the focus is not on going on");
             return true;
         }},
        {"the write ended behind the question: it closed itself, with a note",
         [] {
             const HWND box = MessageBoxShown();
             if (box == nullptr || GetDlgItem(box, IDC_STOP_QUESTION) != nullptr) {
                 return false;
             }
             Expect(FindWindowWith(IDC_STOP_QUESTION) == nullptr, "the question is still open");
             const std::string text = MessageText(box);
             Expect(text.find("nothing was stopped") != std::string::npos, "the note says: " + text);
             PostMessageW(box, WM_COMMAND, IDOK, 0);
             return true;
         }},
        {"the write ends with Done and says what was written",
         [] {
             const HWND box = MessageBoxShown();
             if (box == nullptr) {
                 return false;
             }
             const std::string text = MessageText(box);
             Expect(text.find("17") != std::string::npos, "the notice does not name address 17: " + text);
             PostMessageW(box, WM_COMMAND, IDOK, 0);
             return true;
         }},
        {"Change offers the settings written, on the same port",
         [port] {
             const HWND main = MainWindow();
             if (main == nullptr || MessageBoxShown() != nullptr) {
                 return false;
             }
             // A write alone remembers nothing: only an opened port does.
             ExpectRemembered(port, 19200, 0, 0, 16, 200);
             const std::string note = ItemText(main, IDC_RESTART_NOTE);
             Expect(
                 IsWindowVisible(GetDlgItem(main, IDC_RESTART_NOTE)) && note.find("17") != std::string::npos,
                 "the note under the controller's column says: " + note);
             Click(main, IDC_CHANGE);
             return true;
         }},
        {"the dialog after Change",
         [] {
             const HWND dialog = ConnectionDialog();
             if (dialog == nullptr) {
                 return false;
             }
             ExpectText(dialog, IDC_ADDRESS, "17");
             ExpectText(dialog, IDC_REPLY_TIME, "200");
             Expect(Enabled(dialog, IDOK), "OK is disabled for the remembered port");
             Click(dialog, IDOK);
             return true;
         }},
        {"no answer at the address written but not yet in use: the hint names the next step",
         [port] {
             const HWND main = MainWindow();
             if (main == nullptr || ItemText(main, IDC_STATUS) != "Not connected") {
                 return false;
             }
             const std::string hint = ItemText(main, IDC_HINT);
             Expect(IsWindowVisible(GetDlgItem(main, IDC_HINT)) && hint.find("17") != std::string::npos,
                    "the hint says: " + hint);
             Expect(!Enabled(main, IDC_WRITE) && !Enabled(main, IDC_READ),
                    "Write or Read enabled while not connected");
             ExpectRemembered(port, 19200, 0, 0, 17, 200);
             // Enter and Escape end nothing here.
             for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
                 PostMessageW(GetDlgItem(main, IDC_ADDRESS), WM_KEYDOWN, key, 0);
             }
             Click(main, IDC_COMMISSION);
             return true;
         }},
        {"Commission opens on the connection's port and settings",
         [] {
             const HWND dialog = FindWindowCalled(L"Commission controllers");
             if (dialog == nullptr) {
                 return false;
             }
             const std::string factory = ItemText(dialog, IDC_COMM_FACTORY);
             Expect(factory.find("17") != std::string::npos, "new units answer at: " + factory);
             Expect(Enabled(dialog, IDC_COMM_START), "Start is disabled");
             // An address past the last one is refused, not cut to eight bits (300 would be 44).
             SetDlgItemTextW(dialog, IDC_COMM_FIRST, L"300");
             Click(dialog, IDC_COMM_START);
             return true;
         }},
        {"Start refuses a first address past the last one",
         [] {
             const HWND dialog = FindWindowCalled(L"Commission controllers");
             Expect(Enabled(dialog, IDC_COMM_START) && !Enabled(dialog, IDC_COMM_STOP), "a run started");
             Expect(GetFocus() == GetDlgItem(dialog, IDC_COMM_FIRST),
                    "the focus is not on the first address");
             SetDlgItemTextW(dialog, IDC_COMM_LOG, L"units.csv");
             const std::string note = ItemText(dialog, IDC_COMM_LOG_NOTE);
             Expect(IsWindowVisible(GetDlgItem(dialog, IDC_COMM_LOG_NOTE)) && note.rfind("Log: ", 0) == 0 &&
                        note.find("units.csv") != std::string::npos,
                    "the log path note says: " + note);
             Escape(dialog);
             return true;
         }},
        {"Cancel after Commission",
         [] {
             const HWND dialog = ConnectionDialog();
             if (dialog == nullptr) {
                 return false;
             }
             Click(dialog, IDCANCEL);
             return true;
         }},
    };
}

void PortLost(const std::string& port, const std::string& killFile) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brannik");
    ListPort(port);
    Remember(port);
    g_steps = {
        {"the remembered port is preselected",
         [] {
             const HWND dialog = ConnectionDialog();
             if (dialog == nullptr) {
                 return false;
             }
             Expect(Enabled(dialog, IDOK), "OK is disabled for the remembered port");
             ExpectText(dialog, IDC_MODE, "None, 1 stop bit");
             Click(dialog, IDOK);
             return true;
         }},
        {"connected",
         [killFile] {
             const HWND main = MainWindow();
             if (main == nullptr || !ShowsController(main)) {
                 return false;
             }
             // Asks the script around the test to take the stand-in away.
             const HANDLE file = CreateFileW(Wide(killFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr);
             Expect(file != INVALID_HANDLE_VALUE, "cannot create " + killFile);
             CloseHandle(file);
             return true;
         }},
        {"the lost port is reported with the next step",
         [] {
             const HWND box = MessageBoxShown();
             if (box == nullptr) {
                 return false;
             }
             const std::string text = MessageText(box);
             Expect(text.find("Communication device error. Check communication adapter and try again.") !=
                        std::string::npos,
                    "the report says: " + text);
             PostMessageW(box, WM_COMMAND, IDOK, 0);
             return true;
         }},
    };
}

void TypedGateway(const std::string& gateway) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brannik");
    g_steps = {
        {"a gateway typed into the port field",
         [gateway] {
             const HWND dialog = ConnectionDialog();
             if (dialog == nullptr) {
                 return false;
             }
             SetDlgItemTextW(dialog, IDC_PORT, Wide(gateway).c_str());
             SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PORT, CBN_EDITCHANGE),
                          reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_PORT)));
             Expect(Enabled(dialog, IDOK), "OK stays disabled after typing");
             Choose(dialog, IDC_MODE, 3);
             Click(dialog, IDOK);
             return true;
         }},
        {"connected through the gateway",
         [gateway] {
             const HWND main = MainWindow();
             if (main == nullptr || !ShowsController(main)) {
                 return false;
             }
             const Stored comPort = StoredValue(L"ComPort");
             Expect(comPort.type == REG_SZ && comPort.text == gateway, "ComPort is \"" + comPort.text + "\"");
             Expect(Title(main).ends_with(gateway + " (transparent bridge (RTU over TCP))"),
                    "the title names the gateway's kind: " + Title(main));
             Click(main, IDC_CLOSE);
             return true;
         }},
    };
}

// Not a test: how long the main window takes from its opening to "Connected", `rounds` times.
std::vector<DWORD> g_measured;
DWORD g_windowOpened = 0;

void MeasureConnecting(const std::string& port, int rounds) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brannik");
    ListPort(port);
    Remember(port);
    for (int round = 0; round < rounds; ++round) {
        g_steps.push_back({"OK", [] {
                               const HWND dialog = ConnectionDialog();
                               if (dialog == nullptr || !Enabled(dialog, IDOK)) {
                                   return false;
                               }
                               Click(dialog, IDOK);
                               return true;
                           }});
        g_steps.push_back({"window opened", [] {
                               if (MainWindow() == nullptr) {
                                   return false;
                               }
                               g_windowOpened = GetTickCount();
                               return true;
                           }});
        g_steps.push_back({"connected", [] {
                               const HWND main = MainWindow();
                               if (ItemText(main, IDC_STATUS) != "Connected") {
                                   return false;
                               }
                               g_measured.push_back(GetTickCount() - g_windowOpened);
                               Click(main, IDC_CHANGE);
                               return true;
                           }});
    }
    g_steps.push_back({"Cancel", [] {
                           const HWND dialog = ConnectionDialog();
                           if (dialog == nullptr) {
                               return false;
                           }
                           Click(dialog, IDCANCEL);
                           return true;
                       }});
}

void CancelAtOnce() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brannik");
    g_steps = {
        {"Cancel on the first dialog",
         [] {
             const HWND dialog = ConnectionDialog();
             if (dialog == nullptr) {
                 return false;
             }
             Expect(!Enabled(dialog, IDOK), "OK is enabled before a port was chosen");
             Click(dialog, IDCANCEL);
             return true;
         }},
    };
}

void CALLBACK Operator(HWND, UINT, UINT_PTR, DWORD) {
    if (g_busy || g_next >= g_steps.size()) {
        return;
    }
    g_busy = true;
    if (g_steps[g_next].done()) {
        std::printf("ok: %s (%lu ms)\n", g_steps[g_next].name.c_str(), GetTickCount() - g_stepStart);
        std::fflush(stdout);
        ++g_next;
        g_stepStart = GetTickCount();
    } else if (GetTickCount() - g_stepStart > kStepTimeoutMs) {
        Fail("timed out");
        g_next = g_steps.size();
        // Ends every loop: the run returns.
        PostQuitMessage(1);
    }
    g_busy = false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: win32_window_test first-run|port-lost|cancel COMn KILL_FILE\n");
        return 2;
    }
    const std::string test = Utf8(argv[1]);
    const std::string port = argc > 2 ? Utf8(argv[2]) : "COM12";
    const std::string killFile = argc > 3 ? Utf8(argv[3]) : "";
    std::printf("win32 window test: %s on %s\n", test.c_str(), port.c_str());
    std::fflush(stdout);
    if (test == "first-run") {
        FirstRun(port);
    } else if (test == "port-lost") {
        PortLost(port, killFile);
    } else if (test == "cancel") {
        CancelAtOnce();
    } else if (test == "gateway") {
        TypedGateway(port);
    } else if (test == "measure") {
        MeasureConnecting(port, 10);
    } else {
        std::fprintf(stderr, "unknown test %s\n", test.c_str());
        return 2;
    }
    g_stepStart = GetTickCount();
    SetTimer(nullptr, 0, test == "measure" ? 10 : 50, Operator);
    const DWORD started = GetTickCount();
    RunConfigProgram();
    std::printf("the run ended after %lu ms\n", GetTickCount() - started);
    UnlistPort();
    if (g_next < g_steps.size()) {
        Fail("the run ended before every step was done");
    }
    if (test == "cancel") {
        Expect(!ProfileExists(), "Cancel wrote the profile");
    }
    if (!g_measured.empty()) {
        std::sort(g_measured.begin(), g_measured.end());
        for (const DWORD ms : g_measured) {
            std::printf("window opened -> Connected: %lu ms\n", ms);
        }
        std::printf("median: %lu ms\n",
                    (g_measured[(g_measured.size() - 1) / 2] + g_measured[g_measured.size() / 2]) / 2);
    }
    std::printf(g_failures == 0 ? "PASSED\n" : "FAILED\n");
    return g_failures == 0 ? 0 : 1;
}
