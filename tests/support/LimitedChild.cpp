#include "support/LimitedChild.h"

#include "media/CJobResult.h"
#include "support/CHostRecorder.h"

#include <algorithm>
#include <filesystem>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int RunInLimitedChild(uint64_t maxFileBytes, const std::function<int()>& body) {
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(maxFileBytes), static_cast<rlim_t>(maxFileBytes)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(125);
        _exit(body());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int WriteErrorOutcome(const CJobResult& result, const CHostRecorder& host, const std::string& output) {
    const auto status = host.StatusTexts();
    int outcome = 0;
    outcome |= result.IsFailed() ? 1 : 0;
    outcome |= host.Messages().size() == 1 ? 2 : 0;
    outcome |= std::find(status.begin(), status.end(), "Writing Sucessfull!") == status.end() ? 4 : 0;
    outcome |= output.empty() || !std::filesystem::exists(output) ? 8 : 0;
    return outcome;
}
