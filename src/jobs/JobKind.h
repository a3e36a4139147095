#pragma once
// The kinds of work the worker runs. The values are stable: logs and tests
// name them by number.

#include <cstdint>

enum class JobKind : int32_t {
    JOB_ASSEMBLE = 2,           // write the final AVI from the encoding list
    JOB_ENCODE = 3,             // encode the source (or a piece) into LOW and FAST; only inside 4 and 8
    JOB_ENCODE_KEEP_SOURCE = 4, // kind 3, then close LOW/FAST and end the wait box
    JOB_MERGE = 6,              // append the merge inputs to the merge output
    JOB_ORACLE = 7,             // build the encoding list with the oracle
    JOB_ENCODE_CLOSE_ALL = 8,   // as 4, but a stop closes the source too
    JOB_DATABASE_PART = 9,      // encode one part of a movie from a data base
    JOB_COPY = 10,              // append all of the copy source to the copy destination
};
