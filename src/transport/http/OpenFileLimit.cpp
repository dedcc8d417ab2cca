#include "OpenFileLimit.h"

#include <sys/resource.h>

void raiseOpenFileLimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    // A refusal leaves the old limit, which still works, only with fewer sockets.
    setrlimit(RLIMIT_NOFILE, &limit);
}
