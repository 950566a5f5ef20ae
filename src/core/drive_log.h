#pragma once
// The drive log: one CSV row per live poll, written by the chart window's recording and
// by tuma-cli log alike, and read back by the log viewer. Columns: seconds since the
// start (3 decimals), local date and time with milliseconds, the six live values in the
// window's units (RPM at scale 1), the marker's number, and the failure's text. The
// header names each column with its unit. Where the user's decimal separator is a comma
// the fields are split by ";" and the numbers carry a comma, so that a spreadsheet of
// that region opens the file in columns; elsewhere "," and a point. UTF-8 with a BOM.
#include "core/live_values.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tuma {

class DriveLogFormat {
public:
    explicit DriveLogFormat(char decimalSeparator);
    char fieldSeparator() const { return field; }
    char decimalSeparator() const { return decimal; }

    // The byte-order mark and the header line.
    std::string header() const;
    // A poll's row: `live` is the live block read from address 67, or nullptr for a
    // failed poll, whose row carries `failure` and no values. `marker` 0 is none.
    std::string row(double seconds, const std::string& localTime, const uint8_t* live, int marker,
                    const std::string& failure) const;

private:
    std::string number(const std::string& pointText) const;
    char decimal, field;
};

// One row of a log as read back. A failed poll has no values (`ok` false).
struct DriveSample {
    double seconds = 0;    // since the log's first row
    std::string localTime; // as written: "2026-12-09T15:30:00.500"
    bool ok = false;
    std::array<double, 6> values{}; // in the live table's order
    int marker = 0;
    std::string failure;
};

struct DriveLog {
    bool ok = false;
    std::string error; // "linha 7: ..." when !ok
    char decimalSeparator = '.';
    std::vector<DriveSample> samples;
};

// Reads a log written by the program or by tuma-cli, in either separator style, with
// or without the seconds and marker columns (it finds the columns by their header).
// Never raises.
DriveLog readDriveLog(const std::string& text);

// Seconds since 1970 of a local time written as "2026-12-09T15:30:00.500", counted as if
// it were UTC (only differences are used); false when it is not such a time.
bool logTimeSeconds(const std::string& localTime, double& seconds);

} // namespace tuma
