// What lanternis gives the harness.
#pragma once

#include "harness.h"

extern const ProgramDescription lanternisDescription;
extern const Workload colourCubeWorkload;
