// load_while_searching.cpp - searches in one process while another loads the corpus
// (ZGW_BENCH_CORPUS) into the same database, as the gateway's requests meet a
// zoltdb load. The database first holds the first quarter; the load then writes the
// whole corpus, replacing those records, so that it ends with an index merge. The
// searcher reports how many searches ran, how many failed and how long the longest
// one took: a search must never fail, and no wait may come near the busy timeout.

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "corpus.h"

namespace {

using Clock = std::chrono::steady_clock;

// Searches until `stop` (a pipe) is closed; prints its figures on standard output.
int searchLoop(int stop) {
    if (ZdbStartZolt("zoltgate", "", ZDB_LANG_ENG, ZDB_CHARSET_UTF8 * 256) != ZDB_OK) return 1;
    int order = 0;
    if (ZdbExecuteCcl("BASE LIVE", &order) != ZDB_OK) return 2;
    const char* queries[] = {"FIND python AND library", "FIND tetris", "FIND network?",
                             "FIND \"command line\""};
    long searches = 0;
    std::map<int, long> failures;
    double longest = 0, total = 0;
    for (;;) {
        pollfd ended{stop, POLLIN, 0};
        if (poll(&ended, 1, 0) > 0) break;  // the loader closed its end: the load is over
        for (const char* query : queries) {
            auto start = Clock::now();
            int code = ZdbExecuteCcl(query, &order);
            double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            ++searches;
            total += ms;
            longest = std::max(longest, ms);
            if (!(code & 1) && code != ZDB_NO_HITS) ++failures[code];
            ZdbExecuteCcl("DELETE S=FROM 1", &order);
        }
    }
    ZdbEndZdbs(0);
    std::printf("searches: %ld, failures: %ld, longest: %.1f ms, mean: %.2f ms\n", searches,
                static_cast<long>(failures.size()), longest, searches ? total / searches : 0.0);
    for (const auto& [code, count] : failures) std::printf("  code %d: %ld times\n", code, count);
    std::fflush(stdout);  // the child ends with _exit, which flushes nothing
    return failures.empty() ? 0 : 3;
}

}  // namespace

int main() {
    std::vector<std::string> lines = bench::corpusLines();
    std::string dataDir = bench::scratchDataDir("zgwconc");
    bench::createDebianDatabase(dataDir, "LIVE");
    bench::loadLines(dataDir, "LIVE", std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(lines.size() / 4)));

    // The loader closes its end of the pipe when the load is over.
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return 1;
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[1]);
        _exit(searchLoop(pipeEnds[0]));
    }
    close(pipeEnds[0]);
    auto start = Clock::now();
    bench::loadLines(dataDir, "LIVE", lines);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(pipeEnds[1]);
    std::printf("load of %zu records over %zu: %.1f s\n", lines.size(), lines.size() / 4, seconds);
    std::fflush(stdout);
    int status = 0;
    waitpid(child, &status, 0);
    std::filesystem::remove_all(dataDir);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
