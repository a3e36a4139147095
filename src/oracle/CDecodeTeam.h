#pragma once
// The oracle decodes the LOW, FAST and source frame of a step side by side.

#include "jobs/CTaskTeam.h"

using CDecodeTeam = CTaskTeam;
