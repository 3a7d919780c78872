// The three ways the report is printed: an aligned table, CSV and JSON.
#pragma once

#include <string>

#include "job_report.h"

std::string formatTable(const Report& report);

// One row per rank after a header row; numbers to 10 significant digits, empty when
// there is no value.
std::string formatCsv(const Report& report);

// {"schema_version": 1, "ranks": [...], "job": {...}, "failures": [...]}
std::string formatJson(const Report& report);
