// The figures the benchmark report is made of: medians, paired ratios, the probes' result
// lines and the markdown table.
#include "BenchTable.h"
#include "ProbeResult.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace ondrel::bench;

TEST(BenchMedian, OddCountIsTheMiddleEvenCountTheMeanOfTheTwoMiddleNoneIsNothing)
{
    EXPECT_EQ(Median({ 9, 1, 5 }), 5.0);
    EXPECT_EQ(Median({ 4, 1, 3, 2 }), 2.5);
    EXPECT_EQ(Median({ 7 }), 7.0);
    EXPECT_FALSE(Median({}).has_value());
}

TEST(BenchMedian, PairedPercentSkipsRepetitionsMissingOnEitherSide)
{
    // Repetition 2 failed for the part, repetition 4 for the whole, repetition 5 measured 0.
    const std::vector<std::optional<double>> part { 90, std::nullopt, 40, 10, 5 };
    const std::vector<std::optional<double>> whole { 100, 100, 50, std::nullopt, 0 };
    EXPECT_DOUBLE_EQ(*MedianPairedPercent(part, whole), 85.0); // 90 % and 80 %
    EXPECT_FALSE(MedianPairedPercent({ std::nullopt }, { 1.0 }).has_value());
}

TEST(BenchMedian, PercentNamesWhetherTheTargetIsReached)
{
    EXPECT_EQ(Percent(85.0, 85.0), "85.0 % (target 85 %: met)");
    EXPECT_EQ(Percent(84.96, 85.0), "85.0 % (target 85 %: missed)"); // rounded for show only
    EXPECT_EQ(Ratio(1.0, 4.0), "25.0 %");
    EXPECT_EQ(Ratio(1.0, 0.0), "n/a");
    EXPECT_EQ(Ratio(std::nullopt, 4.0, 90.0), "n/a");
    EXPECT_EQ(Number(std::nullopt, 2), "n/a");
}

TEST(BenchProbeResult, LineRoundTripsAmongOtherOutputWhateverTheLocale)
{
    const ProbeResult sent { { "fps", 123.456789 }, { "frames", 42 }, { "cpu_ms_per_frame", 0.001 } };
    const std::string output = "Workflow stopped during 4R\n" + FormatProbeResult(sent) + "\nStored 0 of 3 modes\n";
    // A decimal comma in the process locale must not change the line or its reading.
    const char* previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    ProbeResult received;
    const bool parsed = ParseProbeResult(output, received);
    if (previous != nullptr) {
        std::setlocale(LC_NUMERIC, "C");
    }
    ASSERT_TRUE(parsed);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_NEAR(received["fps"], 123.456789, 1e-9);
    EXPECT_EQ(received["frames"], 42.0);
    EXPECT_NEAR(received["cpu_ms_per_frame"], 0.001, 1e-12);
}

TEST(BenchProbeResult, MalformedOrMissingLinesAreRefused)
{
    ProbeResult result;
    EXPECT_FALSE(ParseProbeResult("", result));
    EXPECT_FALSE(ParseProbeResult("results fps=1\n", result)); // not the result line
    EXPECT_FALSE(ParseProbeResult("result fps=fast\n", result));
    EXPECT_FALSE(ParseProbeResult("result fps=\n", result));
    EXPECT_FALSE(ParseProbeResult("result =3\n", result));
    EXPECT_FALSE(ParseProbeResult("result fps=3x\n", result));
}

TEST(BenchTable, RendersHeaderRightAlignedNumberColumnsAndPadsShortRows)
{
    MarkdownTable table({ "frame", "fps" });
    table.AddRow({ "1 MP", "10.0" });
    table.AddRow({ "5 MP" });
    table.AddRow({ "12 MP", "1.0", "dropped" });
    EXPECT_EQ(table.Render(), "| frame | fps |\n"
                              "|---|---:|\n"
                              "| 1 MP | 10.0 |\n"
                              "| 5 MP |  |\n"
                              "| 12 MP | 1.0 |\n");
}
