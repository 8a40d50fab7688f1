#pragma once
// The record of commissioning: one row per unit, appended to a CSV file that is never truncated, so
// that a bench's whole history stays in one file across runs.
#include <cstdint>
#include <cstdio>
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

// The log of one run, open for appending from before the first unit is touched to the run's end.
class CUnitLog {
public:
    CUnitLog() = default;
    CUnitLog(const CUnitLog&) = delete;
    CUnitLog& operator=(const CUnitLog&) = delete;
    ~CUnitLog();

    // Opens `path` for appending and writes the header into a new or empty file at once, so that a
    // file that takes no bytes (a directory, no permission, a full disk, /dev/full) is known before any
    // unit is touched. False when it cannot be written: Failure() says why.
    bool Open(const std::string& path);
    // Appends the row and flushes it. False when it cannot be written: Failure() says why.
    bool Append(const UnitRecord& record);
    // "bench.csv: the log cannot be written (No space left on device)"
    const std::string& Failure() const { return m_failure; }

private:
    bool Write(const std::string& line);
    bool Fail(int error);

    std::string m_path;
    std::FILE* m_file = nullptr;
    std::string m_failure;
};
