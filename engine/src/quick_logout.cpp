// quick_logout.cpp - the engine's signal handler: drop the session file, end now.
// Runs inside a signal handler, so it only calls async-signal-safe functions.

#include <csignal>
#include <unistd.h>

#include "session_file.h"
#include "zdb.h"

namespace zdb {
// Path of this process's session file; empty while no session runs. A fixed
// array, so that the signal handler reads it without touching the heap.
char g_sessionFilePath[kSessionFilePathSize] = {0};
dev_t g_sessionFileDevice = 0;
ino_t g_sessionFileInode = 0;
int g_sessionFileDescriptor = -1;
}  // namespace zdb

extern "C" void quickLogout(int signal_number) {
    // Only the file this session created: lstat and unlink are async-signal-safe.
    if (zdb::g_sessionFilePath[0] != '\0') zdb::unlinkOwnSessionFile(zdb::g_sessionFilePath);
    // End with the signal's own default action, so the exit status tells the cause.
    // The signal is blocked while its handler runs: unblock it, or raise() would only
    // leave it pending and the process would end through _exit instead.
    std::signal(signal_number, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal_number);
    _exit(1);
}
