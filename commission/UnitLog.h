#pragma once
// The record of commissioning: one row per unit, appended to a CSV file that is never truncated, so
// that a bench's whole history stays in one file across runs.
#include <cstdint>
#include <optional>
#include <string>

struct UnitRecord {
    std::string time;  // ISO 8601, local time with its offset
    unsigned unit = 0;
    std::optional<std::uint16_t> model;
    std::optional<std::uint16_t> firmware;  // major * 100 + minor
    std::string before;                     // the settings it answered at, described
    std::string after;                      // the settings it was given; empty when it got none
    bool verified = false;                  // answered at `after` after its restart, holding them
    std::string note;
};

// "2.5" for 205; empty when unknown
std::string FirmwareText(const std::optional<std::uint16_t>& firmware);

// "2026-12-09T20:31:05+01:00": ISO 8601 local time with the offset from UTC
std::string IsoTimeNow();

inline constexpr const char* kUnitLogHeader = "time,unit,model,firmware,before,after,verified,note";
std::string UnitCsvRow(const UnitRecord& record);
std::string UnitJson(const UnitRecord& record);

// Appends the row, with the header first when the file is new or empty. False when it cannot be
// written (errno tells why).
bool AppendUnit(const std::string& path, const UnitRecord& record);
