#pragma once
// One request to the worker, handed over as a value: the kind and the
// parameters that differ from one run to the next. The AVI files a job works
// on stay in the worker's slots (they are opened and created on the starting
// side before the request is submitted, so that a failure to open is told
// before anything is queued).

#include "jobs/JobKind.h"

#include <cstdint>
#include <string>

struct OracleParameters {
    double dOracleValue = 0;
    double dComparisonValue = 0;
    bool bSizeLimit = false;
    double dSizeLimitKBytes = 0;
    std::string strOracleFile;
};

struct CJobRequest {
    JobKind kind = JobKind::JOB_ASSEMBLE;

    // Encoding: the frames first .. end-1 of the source (-1: the whole
    // movie); piece mode when the full creation encodes in pieces. The merge
    // appends to the output kept open between pieces in piece mode.
    int32_t nPieceFirst = -1;
    int32_t nPieceEnd = -1;
    bool bPieceMode = false;

    // Merge: pad each input's short audio with silence; leave out the video
    // of the input of this name ("" for none).
    bool bTrySynchronization = true;
    std::string strExcludedMergeName;

    // Oracle.
    OracleParameters oracle;

    static CJobRequest Of(JobKind kind) {
        CJobRequest request;
        request.kind = kind;
        return request;
    }
};
