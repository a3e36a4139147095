#pragma once
// A full disk, simulated: `body` runs in a child process whose files may not
// grow beyond `maxFileBytes` (RLIMIT_FSIZE; a write past it fails with EFBIG
// instead of killing the child). The child's exit status is the body's
// return value, so the body reports what it saw as a number; -1 when the
// child could not run or died. Start no thread before the fork that the
// body would need: only the forking thread lives on in the child.

#include <cstdint>
#include <functional>
#include <string>

int RunInLimitedChild(uint64_t maxFileBytes, const std::function<int()>& body);

class CJobResult;
class CHostRecorder;

// What a job that met a write error did, as bits for the child's exit
// status: 1 a failed result, 2 exactly one message, 4 no "Writing
// Sucessfull!", 8 no file left at `output` ("" to skip that check).
constexpr int WRITE_ERROR_HANDLED = 15;
int WriteErrorOutcome(const CJobResult& result, const CHostRecorder& host, const std::string& output);
