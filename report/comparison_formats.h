// The three ways a comparison of two jobs is printed: a benchstat-like table, CSV and JSON.
#pragma once

#include <string>

#include "job_comparison.h"

// Labels name the two jobs in the table's head.
std::string formatComparisonTable(const Comparison& comparison, const std::string& baseLabel,
                                  const std::string& newLabel);

// A header row, one row per rank, then a "job" row and, with several ranks, a "geomean" row.
std::string formatComparisonCsv(const Comparison& comparison);

// {"schema_version": 1, "program", "metric", "alpha", "test", "job", "ranks", "context",
// "notes"}, null where a value does not exist.
std::string formatComparisonJson(const Comparison& comparison);

// The unit the rates of a comparison are given in.
std::string_view comparisonMetric(const Comparison& comparison);
