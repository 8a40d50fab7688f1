#pragma once
// A request the controller refused with an exception reply ends every one-shot command with exit 7, with
// a message that names the refused register and the exception, once the refusal stays: a write is
// refused at once (it is not sent again), a read when its retry a poll period later is refused again.
// Busy (exceptions 5 and 6) is no refusal: the device asks again after a poll period, within the
// command's time limit. A read value the controller cannot mean is told by its own text.
#include <map>
#include <string>

#include "device/DeviceEventQueue.h"

class CArdeno;

class CRefusals {
public:
    explicit CRefusals(CArdeno& controller) : m_controller(controller) {}

    // True when the event is a refusal that stays; the message has then been printed on standard error.
    bool Report(const DeviceEvent& event);
    // When the event is a refusal that stays, its message ("the controller refused reading model (input
    // register 2): exception 2 (illegal data address)"); empty otherwise. Prints nothing.
    std::string StayingRefusal(const DeviceEvent& event);
    // "the controller reports mode 9, which this tool does not know" for every value it reported last
    // that this tool does not know, joined by "; "; empty when none.
    std::string UnknownValues() const;
    // The text for one variable's event, when it reports an unknown value; empty otherwise.
    std::string UnknownValueText(const DeviceEvent& event) const;

private:
    CArdeno& m_controller;
    std::map<int, int> m_refusedInARow;          // by variable id
    std::map<int, std::string> m_unknownValues;  // by variable id, while the value stays unknown
};
