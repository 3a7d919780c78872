// benchreport compare: reads two jobs, refuses different work, prints the comparison.
#pragma once

#include <string>
#include <vector>

// args after "compare"; returns the exit status.
int compareMain(const std::vector<std::string>& args);
