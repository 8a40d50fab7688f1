#pragma once
// Captures every debug-output write and every message box while it lives; the previous sinks come back
// when it goes.
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DebugOutput.h"

class CapturedOutput {
public:
    CapturedOutput()
        : m_previousDebug(
              platform::SetDebugOutputSink([this](std::string_view text) { Append(m_writes, text); })),
          m_previousBox(
              platform::SetMessageBoxSink([this](std::string_view text) { Append(m_boxes, text); })) {}
    ~CapturedOutput() {
        platform::SetDebugOutputSink(std::move(m_previousDebug));
        platform::SetMessageBoxSink(std::move(m_previousBox));
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    std::vector<std::string> Writes() const {
        std::lock_guard guard(m_mutex);
        return m_writes;
    }
    std::vector<std::string> Boxes() const {
        std::lock_guard guard(m_mutex);
        return m_boxes;
    }
    void Clear() {
        std::lock_guard guard(m_mutex);
        m_writes.clear();
        m_boxes.clear();
    }

private:
    void Append(std::vector<std::string>& to, std::string_view text) {
        std::lock_guard guard(m_mutex);
        to.emplace_back(text);
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_writes;
    std::vector<std::string> m_boxes;
    platform::TextSink m_previousDebug;
    platform::TextSink m_previousBox;
};
