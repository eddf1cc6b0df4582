#pragma once

#include <string>
#include <string_view>

#include "cli/output/row_format.h"

namespace cli {

// Rows as InfluxDB line protocol (poll --format influx), one line a row:
//
//   ht5530k,address=1,name=Hall,port=/dev/ttyUSB0 humidity=45.50,
//   temperature=23.00,response_ms=1.52,outcome="ok" 1714564800123000000
//
// (one line). Tags in key order: address, name (only when the module has
// one) and port (as given: the device's stable name). Fields: humidity and
// temperature when read, response_ms when an answer arrived, and outcome,
// always; a turn that sent no request (skipped, lost) has outcome only. The
// time is when the request went out, in nanoseconds since the epoch.
class InfluxLines {
public:
    explicit InfluxLines(std::string_view port);

    std::string line(const Row& row) const;

private:
    std::string m_portTag; // ",port=..." escaped once
};

// A tag key or value as the line protocol takes it: comma, equals sign and
// space escaped with a backslash. A backslash stays as it is: a name cannot
// end with one (--name), nor can a port's path.
std::string InfluxTag(std::string_view text);
// A string field value in its double quotes: double quote and backslash
// escaped.
std::string InfluxString(std::string_view text);

} // namespace cli
