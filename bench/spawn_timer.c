/* spawn_timer.c - times whole processes as a web server starts CGI programs: each
 * command is started N times, the commands taking turns so that a busy machine slows
 * them alike; prints the median and the mean wall-clock microseconds of each.
 *   spawn_timer N command [args...] [-- command [args...]]...
 * Output goes to /dev/null; the environment is the caller's. */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static int compareLong(const void* a, const void* b) {
    long x = *(const long*)a, y = *(const long*)b;
    return (x > y) - (x < y);
}

/* Microseconds that one run of argv took, start to exit; -1 when it could not start. */
static long timeOnce(char** argv, const posix_spawn_file_actions_t* actions) {
    struct timespec start, end;
    pid_t pid;
    int status;
    clock_gettime(CLOCK_MONOTONIC, &start);
    if (posix_spawn(&pid, argv[0], actions, NULL, argv, environ) != 0) return -1;
    waitpid(pid, &status, 0);
    clock_gettime(CLOCK_MONOTONIC, &end);
    return (end.tv_sec - start.tv_sec) * 1000000L + (end.tv_nsec - start.tv_nsec) / 1000;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: spawn_timer N command [args...] [-- command [args...]]...\n");
        return 2;
    }
    int n = atoi(argv[1]);
    if (n < 1) n = 1;
    char** commands[64];
    int count = 0;
    commands[count++] = &argv[2];
    for (int i = 2; i < argc && count < 64; ++i) {
        if (strcmp(argv[i], "--") == 0) {
            argv[i] = NULL; /* ends the command before it */
            if (i + 1 < argc) commands[count++] = &argv[i + 1];
        }
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    long* times = calloc((size_t)n * (size_t)count, sizeof(long));
    if (!times) return 1;
    for (int round = 0; round < n; ++round)
        for (int c = 0; c < count; ++c) {
            long t = timeOnce(commands[c], &actions);
            if (t < 0) {
                fprintf(stderr, "spawn_timer: cannot start %s\n", commands[c][0]);
                return 1;
            }
            times[(size_t)c * (size_t)n + (size_t)round] = t;
        }
    for (int c = 0; c < count; ++c) {
        long* mine = times + (size_t)c * (size_t)n;
        long long sum = 0;
        for (int i = 0; i < n; ++i) sum += mine[i];
        qsort(mine, (size_t)n, sizeof(long), compareLong);
        printf("%ld %lld\n", mine[n / 2], sum / n);
    }
    free(times);
    posix_spawn_file_actions_destroy(&actions);
    return 0;
}
