#include "commission/UnitLog.h"

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <cerrno>
#include <ctime>
#include <fstream>
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

bool AppendUnit(const std::string& path, const UnitRecord& record) {
    std::ofstream file(path, std::ios::app | std::ios::binary);
    if (!file) {
        return false;
    }
    file.seekp(0, std::ios::end);
    if (file.tellp() == 0) {
        file << kUnitLogHeader << '\n';
    }
    file << UnitCsvRow(record) << '\n';
    file.flush();
    return static_cast<bool>(file);
}
