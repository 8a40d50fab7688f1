#pragma once
// What a device event means for a request that waits on it: an answer, busy, or a refusal that stays.
// A write refused with an exception reply is refused at once (sending it again changes nothing), a read
// once its retry a poll period later is refused again. Busy (exceptions 5 and 6) is no refusal: the
// device asks again after a poll period. A gateway's exceptions: 0x0B (nothing replied behind it) is
// a time-out, not a refusal; 0x0A (no route to the address) stays at once. A read value the controller cannot
// mean is told by its own text. Nothing here prints: each front end says it in its own way.
#include <map>
#include <string>

#include "device/DeviceEventQueue.h"

class CArdeno;

// True when the controller itself answered: a value, one it cannot mean, or its own refusal. A
// gateway's exception (0x0A, 0x0B) is the gateway's word that the controller did not.
bool IsControllerAnswer(const DeviceEvent& event);
// True for the gateway's word that nothing behind it replied (exception 0x0B): no value, as a time-out.
bool IsGatewayTargetFailed(std::uint32_t errorCode);

// "model", "firmware version", ..., "the save command", "the new address": what a variable is to an
// operator; "a request" for an id that names none.
const char* VariableName(int varId);

class CRefusals {
public:
    explicit CRefusals(CArdeno& controller) : m_controller(controller) {}

    // When the event is a refusal that stays, its message ("the controller refused reading model (input
    // register 2): exception 2 (illegal data address)"); empty otherwise.
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
