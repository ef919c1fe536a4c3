#include "BenchTable.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace ondrel::bench {

std::optional<double> Median(std::vector<double> samples)
{
    if (samples.empty()) {
        return std::nullopt;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1) {
        return samples[middle];
    }
    return (samples[middle - 1] + samples[middle]) / 2.0;
}

std::string Number(std::optional<double> value, int decimals)
{
    if (!value) {
        return "n/a";
    }
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(decimals) << *value;
    return text.str();
}

std::string Percent(std::optional<double> percent, std::optional<double> targetPercent)
{
    if (!percent) {
        return "n/a";
    }
    std::string text = Number(percent, 1) + " %";
    if (targetPercent) {
        text +=
            " (target " + Number(*targetPercent, 0) + " %: " + (*percent >= *targetPercent ? "met" : "missed") + ")";
    }
    return text;
}

namespace {
std::string Bounded(std::optional<double> value, double bound, int decimals, const std::string& unit, bool atMost)
{
    if (!value) {
        return "n/a";
    }
    const bool met = atMost ? *value <= bound : *value >= bound;
    return Number(value, decimals) + unit + " (target " + (atMost ? "<= " : ">= ") + Number(bound, decimals) + unit
        + ": " + (met ? "met" : "missed") + ")";
}
} // namespace

std::string AtMost(std::optional<double> value, double bound, int decimals, const std::string& unit)
{
    return Bounded(value, bound, decimals, unit, true);
}

std::string AtLeast(std::optional<double> value, double bound, int decimals, const std::string& unit)
{
    return Bounded(value, bound, decimals, unit, false);
}

std::string Ratio(std::optional<double> part, std::optional<double> whole, std::optional<double> targetPercent)
{
    if (!part || !whole || *whole == 0.0) {
        return "n/a";
    }
    return Percent(*part / *whole * 100.0, targetPercent);
}

std::optional<double> MedianPairedPercent(const std::vector<std::optional<double>>& part,
                                          const std::vector<std::optional<double>>& whole)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < std::min(part.size(), whole.size()); ++i) {
        if (part[i] && whole[i] && *whole[i] != 0.0) {
            ratios.push_back(*part[i] / *whole[i] * 100.0);
        }
    }
    return Median(ratios);
}

MarkdownTable::MarkdownTable(std::vector<std::string> columns)
    : header(std::move(columns))
{
}

void MarkdownTable::AddRow(std::vector<std::string> cells)
{
    cells.resize(header.size());
    rows.push_back(std::move(cells));
}

std::string MarkdownTable::Render() const
{
    auto line = [](const std::vector<std::string>& cells) {
        std::string text = "|";
        for (const std::string& cell : cells) {
            text += " " + cell + " |";
        }
        return text + "\n";
    };
    std::string text = line(header);
    text += "|";
    for (std::size_t i = 0; i < header.size(); ++i) {
        text += i == 0 ? "---|" : "---:|";
    }
    text += "\n";
    for (const auto& row : rows) {
        text += line(row);
    }
    return text;
}

} // namespace ondrel::bench
