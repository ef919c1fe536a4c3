#include "ProbeResult.h"

#include <cerrno>
#include <cstdlib>
#include <iomanip>
#include <sstream>

namespace ondrel::bench {

std::string FormatProbeResult(const ProbeResult& result)
{
    std::ostringstream line;
    line.imbue(std::locale::classic());
    line << "result";
    for (const auto& [name, value] : result) {
        line << ' ' << name << '=' << std::setprecision(10) << value;
    }
    return line.str();
}

bool ParseProbeResult(const std::string& output, ProbeResult& result)
{
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("result", 0) != 0 || (line.size() > 6 && line[6] != ' ')) {
            continue;
        }
        ProbeResult parsed;
        std::istringstream fields(line.substr(6));
        std::string field;
        while (fields >> field) {
            const auto eq = field.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == field.size()) {
                return false;
            }
            const std::string number = field.substr(eq + 1);
            char* end = nullptr;
            errno = 0;
            const double value = std::strtod(number.c_str(), &end);
            if (errno != 0 || end != number.c_str() + number.size()) {
                return false;
            }
            parsed[field.substr(0, eq)] = value;
        }
        result = std::move(parsed);
        return true;
    }
    return false;
}

} // namespace ondrel::bench
