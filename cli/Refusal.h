#pragma once
// A request the controller refused with an exception reply ends every command with exit 7, with a
// message that names the refused register and the exception.
#include "cli/DeviceEvents.h"

class CArdeno;

// True when the event is a refusal; the message has then been printed on standard error.
bool ReportRefusal(CArdeno& controller, const DeviceEvent& event);
