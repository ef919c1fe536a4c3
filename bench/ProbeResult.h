#pragma once

#include <map>
#include <string>

namespace ondrel::bench {

// What one measurement run reports: named numbers. A probe process prints it as one line
// "result name=value ...", which the driver finds among whatever else the process prints.
using ProbeResult = std::map<std::string, double>;

std::string FormatProbeResult(const ProbeResult& result);

// The numbers of the first "result " line in output; false when there is none or a field
// is not name=number.
bool ParseProbeResult(const std::string& output, ProbeResult& result);

} // namespace ondrel::bench
