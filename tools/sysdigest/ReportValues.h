// How the report writes numbers: units, hexadecimal ids, time stamps and
// driver statuses, each in one place so every section says them alike.
//
// The report is read by people, so values carry their unit; ids are written
// the way the system's device manager writes them, so they can be searched.
#pragma once

#include <cstdint>
#include <string>

#include "driver/DriverTypes.h"
#include "platform/Types.h"

namespace vt::sysdigest {

// Whole megahertz from the driver's kilohertz, rounded: "1710 MHz".
std::string megahertz(std::uint32_t kiloHertz);
// "0x" and upper-case hexadecimal of at least `digits` digits: "0x220610DE".
std::string hexNumber(std::uint32_t value, int digits);
std::string celsius(std::int32_t degrees);
// The driver's thousandths of a per cent: "100 %", "112.5 %".
std::string percentFromThousandths(std::uint32_t thousandths);
// "16384 MB (16.0 GB)": megabytes cut, gigabytes to one decimal.
std::string megabytes(std::uint64_t bytes);
// "2024/05/01 12:34:56", the form the program's history uses.
std::string timestamp(const LocalTime& time);
// "UTC+09:00", "UTC-03:30" from minutes east of UTC.
std::string utcOffset(int minutesEast);
// "status -2: the driver library cannot be loaded"; a status the layer does
// not know is given by its number alone.
std::string statusText(DriverStatus status);
// "unavailable (status -5)": a value the driver did not give.
std::string unavailable(DriverStatus status);

}  // namespace vt::sysdigest
