#pragma once
// A field check's refusal shown as the edit field's balloon tip, with the focus put there; the caller
// just abandons its action.
#include "present/IntegerField.h"
#include "win32/Win.h"

void ShowRefusal(HWND edit, const FieldRefusal& refusal);
