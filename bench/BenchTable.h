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

// part / whole as a percentage with one decimal, and, when a target is given, whether it
// is reached: "88.1 % (target 85 %: met)". "n/a" when either value is missing or whole is 0.
std::string Ratio(std::optional<double> part, std::optional<double> whole, std::optional<double> targetPercent = {});

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
