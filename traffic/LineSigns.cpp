#include "traffic/LineSigns.h"

#include <algorithm>
#include <utility>

#include "res/Hints.h"

namespace traffic {
namespace {

// Bytes that repeat the start of `earlier`, such as the request sent back by the adapter or a copy of
// a reply.
bool RepeatsStart(const Frame& frame, const Frame& earlier) {
    return frame.length <= earlier.length &&
           std::equal(frame.bytes, frame.bytes + frame.length, earlier.bytes);
}

// Bytes that repeat the start of the request: the adapter sent the request back, nothing answered.
bool RepeatsRequest(const Frame& reply, const Frame& request) {
    return reply.length >= 2 && RepeatsStart(reply, request);
}

}  // namespace

void LineSigns::OnFrame(const Frame& frame) {
    switch (frame.outcome) {
        case Outcome::Request:
            m_request = frame;
            m_echoSeen = false;
            m_replyOk = false;
            return;
        case Outcome::AdapterEcho:
            m_echoSeen = true;
            return;
        case Outcome::Ok:
            m_reply = frame;
            m_replyOk = true;
            return Count(m_answered);
        case Outcome::Exception:
            return Count(m_refused);
        case Outcome::Timeout:
            return Count(m_echoSeen ? m_echoOnly : m_silent);
        case Outcome::WrongAddress:
            m_lastOtherAddress = frame.bytes[0];
            return Count(m_otherAddress);
        case Outcome::Short:
        case Outcome::BadCrc:
        case Outcome::WrongFunction:
        case Outcome::WrongCount:
        case Outcome::WrongEcho:
            return Count(RepeatsRequest(frame, m_request) ? m_echoOnly : m_damaged);
        case Outcome::Late: {
            // Bytes right after a good reply that do not copy it are the line's own, not a late reply: a
            // bus that floats or rings as the controller stops sending (bias, termination).
            const bool strayAfterReply = m_replyOk && !RepeatsStart(frame, m_reply);
            m_replyOk = false;
            return Count(strayAfterReply ? m_damaged : m_late);
        }
        case Outcome::Reply:
        case Outcome::PortFailure:
            return;
    }
}

void LineSigns::Reset() {
    for (std::atomic<std::uint64_t>* counter :
         {&m_answered, &m_refused, &m_silent, &m_damaged, &m_echoOnly, &m_otherAddress, &m_late}) {
        counter->store(0);
    }
    m_lastOtherAddress = -1;
    m_echoSeen = false;
    m_replyOk = false;
}

LineSignCounts LineSigns::Counts() const {
    LineSignCounts counts;
    counts.answered = m_answered.load();
    counts.refused = m_refused.load();
    counts.silent = m_silent.load();
    counts.damaged = m_damaged.load();
    counts.echoOnly = m_echoOnly.load();
    counts.otherAddress = m_otherAddress.load();
    counts.late = m_late.load();
    if (const int address = m_lastOtherAddress.load(); address >= 0) {
        counts.lastOtherAddress = static_cast<std::uint8_t>(address);
    }
    return counts;
}

LineDiagnosis Diagnose(const LineSignCounts& counts) {
    if (counts.otherAddress > 0) {
        return LineDiagnosis::OtherAddress;
    }
    if (counts.damaged > 0 && counts.damaged == counts.Replies()) {
        return LineDiagnosis::AllDamaged;
    }
    if (counts.echoOnly > 0 && counts.Replies() == 0) {
        return LineDiagnosis::EchoOnly;
    }
    if (counts.late > 0 && counts.answered + counts.refused == 0) {
        return LineDiagnosis::Late;
    }
    if (counts.damaged > 0) {
        return LineDiagnosis::SomeDamaged;
    }
    if (counts.silent > 0 || counts.echoOnly > 0) {
        return LineDiagnosis::Silence;
    }
    return LineDiagnosis::None;
}

std::string DescribeSigns(const LineSignCounts& counts) {
    const std::pair<std::uint64_t, const char*> kinds[] = {
        {counts.answered, "answered"},
        {counts.refused, "refused"},
        {counts.silent, "silent"},
        {counts.late, "late"},
        {counts.damaged, "damaged"},
        {counts.echoOnly, "echo only"},
        {counts.otherAddress, "from another address"},
    };
    std::string text;
    for (const auto& [count, kind] : kinds) {
        if (count != 0) {
            text += (text.empty() ? "exchanges: " : ", ") + std::to_string(count) + " " + kind;
        }
    }
    return text;
}

bool NothingCameBack(const LineSignCounts& counts) {
    const LineDiagnosis diagnosis = Diagnose(counts);
    return diagnosis == LineDiagnosis::None || diagnosis == LineDiagnosis::Silence;
}

std::string LineHint(const LineSignCounts& counts, std::string_view findWith) {
    switch (Diagnose(counts)) {
        case LineDiagnosis::None:
        case LineDiagnosis::Silence:
            return res::NoAnswerHint(findWith);
        case LineDiagnosis::AllDamaged:
            return res::DamagedRepliesHint(findWith);
        case LineDiagnosis::SomeDamaged:
            return res::SomeDamagedRepliesHint();
        case LineDiagnosis::EchoOnly:
            return res::EchoOnlyHint();
        case LineDiagnosis::OtherAddress:
            return res::OtherAddressHint(counts.lastOtherAddress.value_or(0), findWith);
        case LineDiagnosis::Late:
            return res::LateRepliesHint();
    }
    return {};
}

}  // namespace traffic
