// Writing report lines to the console and the results file.
#pragma once

#include "report_text.h"

void writeLines(const ReportLines& lines);
