#pragma once
// The oracle as the worker's job kind 7.

class COracle;
class CWorker;
class IOracleListSink;

// One oracle job with the worker's oracle parameters: the runs go to `sink`,
// the times to the worker's progress timer. False when the run failed.
bool RunOracleJob(CWorker& worker, COracle& oracle, IOracleListSink& sink);

// Makes RunOracleJob the work of job kind 7. `oracle` and `sink` must outlive
// the worker's use of it.
void RegisterOracleJob(CWorker& worker, COracle& oracle, IOracleListSink& sink);
