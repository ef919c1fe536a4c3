#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ondrel::bench {

// The middle value of the samples (the mean of the two middle ones for an even count);
// nullopt for no samples.
std::optional<double> Median(std::vector<double> samples);

// value with `decimals` digits after the point; "n/a" for nullopt.
std::string Number(std::optional<double> value, int decimals);

// A percentage with one decimal and, when a target is given, whether it is reached:
// "88.1 % (target 85 %: met)". "n/a" for nullopt.
std::string Percent(std::optional<double> percent, std::optional<double> targetPercent = {});

// value with its unit and whether it keeps under or reaches a bound, for figures where less
// (AtMost) or more (AtLeast) is better: "0.42 ms (target <= 1.0 ms: met)". "n/a" for nullopt.
std::string AtMost(std::optional<double> value, double bound, int decimals, const std::string& unit);
std::string AtLeast(std::optional<double> value, double bound, int decimals, const std::string& unit);

// part / whole as a Percent; "n/a" when either value is missing or whole is 0.
std::string Ratio(std::optional<double> part, std::optional<double> whole, std::optional<double> targetPercent = {});

// The median of part[i] / whole[i] in percent over the pairs where both were measured
// (nullopt for either means not measured) and whole is not 0; nullopt when there is none.
// Pairs taken back to back share the machine's state, so their ratio drifts less than
// the ratio of two medians.
std::optional<double> MedianPairedPercent(const std::vector<std::optional<double>>& part,
                                          const std::vector<std::optional<double>>& whole);

// A GitHub-flavoured markdown table.
class MarkdownTable {
public:
    explicit MarkdownTable(std::vector<std::string> header);
    // Missing cells are left empty, extra ones are dropped.
    void AddRow(std::vector<std::string> cells);
    std::string Render() const;

private:
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

} // namespace ondrel::bench
