#pragma once
// The controller model with its worker loop run one pass at a time on the test's thread.
#include <vector>

#include "device/Ardeno.h"

class SteppedArdeno : public CArdeno {
public:
    using CArdeno::CArdeno;

    // One pass of the worker; a sleep it takes ends at once.
    bool Pass() {
        m_wakeEvent->Set();
        return RunPass(m_halted);
    }
    std::vector<int> ScheduleIds() const {
        std::vector<int> ids;
        for (const CModbusDeviceVar* var : m_schedule) {
            ids.push_back(var->m_id);
        }
        return ids;
    }

    bool m_halted = false;
};
