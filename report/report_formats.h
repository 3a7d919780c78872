// The three ways the report is printed: an aligned table, CSV and JSON.
#pragma once

#include <string>
#include <vector>

#include "job_report.h"

// Text columns (left[c]) pad on the right, numbers on the left; trailing blanks are cut.
std::string alignedRows(const std::vector<std::vector<std::string>>& rows,
                        const std::vector<bool>& left);

// 10 significant digits: the inputs have 6, so more would show only the noise of the sums.
std::string tidyText(double value);
double tidy(double value);

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& text);

std::string formatTable(const Report& report);

// One row per rank after a header row; numbers to 10 significant digits, empty when
// there is no value.
std::string formatCsv(const Report& report);

// {"schema_version": 1, "ranks": [...], "job": {...}, "failures": [...]}
std::string formatJson(const Report& report);
