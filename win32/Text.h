#pragma once
// The texts of the toolkit-free layers (UTF-8) as the W functions take them, and back.
#include <string>
#include <string_view>
#include <vector>

#include "win32/Win.h"

std::wstring Wide(std::string_view text);
std::string Utf8(std::wstring_view text);

// A control's text, UTF-8.
std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, std::string_view text);

// Replaces a drop-down list's entries.
void FillList(HWND list, const std::vector<std::string>& texts);

// The entries of the baud-rate and parity/stop-bits lists, in table order.
std::vector<std::string> BaudRateTexts();
std::vector<std::string> ModeTexts();
