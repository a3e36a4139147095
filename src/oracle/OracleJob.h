#pragma once
// The oracle as the worker's job kind 7.

#include "jobs/CJobRegistration.h"
#include "jobs/CJobRequest.h"
#include "media/CJobResult.h"

class COracle;
class CWorker;
class IOracleListSink;

// One oracle job with the request's oracle parameters: the runs go to
// `sink`, the times to the worker's progress timer; every measured frame
// passes the worker's pause gate and looks at its abort flag. Stopped or
// failed runs leave no oracle file.
CJobResult RunOracleJob(CWorker& worker, const CJobRequest& request, COracle& oracle, IOracleListSink& sink);

// Makes RunOracleJob the work of job kind 7 while the token lives. `oracle`
// and `sink` must outlive the token.
[[nodiscard]] CJobRegistration RegisterOracleJob(CWorker& worker, COracle& oracle, IOracleListSink& sink);
