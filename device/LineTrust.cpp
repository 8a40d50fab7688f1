#include "device/LineTrust.h"

void CLineTrust::Note(int varId, bool answered, std::uint64_t before, std::uint64_t after,
                      std::size_t roundSize) {
    if (after != m_evidence) {
        m_evidence = after;
        Unsettle();
    }
    if (m_settled || !answered || before != after) {
        return;
    }
    m_clean.insert(varId);
    if (m_clean.size() >= roundSize) {
        m_settled = true;
        m_clean.clear();
    }
}

void CLineTrust::Unsettle() {
    m_settled = false;
    m_clean.clear();
}
