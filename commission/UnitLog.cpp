#include "commission/UnitLog.h"

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <nlohmann/json.hpp>

namespace {

// A field as CSV wants it: quoted when it holds a separator, a quote or a line end.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

std::string Number(const std::optional<std::uint16_t>& value) {
    return value ? std::to_string(*value) : std::string();
}

}  // namespace

std::string FirmwareText(const std::optional<std::uint16_t>& firmware) {
    return firmware ? fmt::format("{}.{}", *firmware / 100, *firmware % 100) : std::string();
}

std::string IsoTimeNow() {
    const std::tm local = fmt::localtime(std::time(nullptr));
    std::string text = fmt::format("{:%Y-%m-%dT%H:%M:%S%z}", local);
    // +0100 -> +01:00, ISO 8601's extended form; a system that gives no offset leaves it out.
    if (text.size() > 2) {
        text.insert(text.end() - 2, ':');
    }
    return text;
}

std::string UnitCsvRow(const UnitRecord& record) {
    return fmt::format("{},{},{},{},{},{},{},{}", CsvField(record.time), record.unit, Number(record.model),
                       FirmwareText(record.firmware), CsvField(record.before), CsvField(record.after),
                       record.verified ? "yes" : "no", CsvField(record.note));
}

std::string UnitJson(const UnitRecord& record) {
    nlohmann::ordered_json json{{"time", record.time},
                                {"unit", record.unit},
                                {"model", record.model ? nlohmann::ordered_json(*record.model) : nullptr},
                                {"firmware", FirmwareText(record.firmware)},
                                {"before", record.before},
                                {"after", record.after},
                                {"verified", record.verified},
                                {"note", record.note}};
    return json.dump();
}

CUnitLog::~CUnitLog() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

bool CUnitLog::Open(const std::string& path) {
    m_path = path;
    m_file = std::fopen(path.c_str(), "ab");
    if (m_file == nullptr) {
        return Fail(errno);
    }
    // Unbuffered: each row goes out in one write, and one that fails leaves nothing behind to be
    // written ahead of the next row.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    // A file not seekable (a pipe) gets the header too: its reader starts with nothing.
    const bool empty = std::fseek(m_file, 0, SEEK_END) != 0 || std::ftell(m_file) <= 0;
    return !empty || Write(kUnitLogHeader);
}

bool CUnitLog::Append(const UnitRecord& record) {
    return Write(UnitCsvRow(record));
}

bool CUnitLog::Write(const std::string& line) {
    if (m_file == nullptr) {
        return false;  // Open failed and said why
    }
    const std::string text = line + '\n';
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size() || std::fflush(m_file) != 0) {
        const int error = errno;
        std::clearerr(m_file);
        return Fail(error);
    }
    return true;
}

bool CUnitLog::Fail(int error) {
    m_failure = fmt::format("{}: the log cannot be written ({})", m_path,
                            error != 0 ? std::strerror(error) : "write error");
    return false;
}
