// Runs a command several times and prints its wall time and peak memory:
//   bench_measure [--runs N] [--warmup N] -- COMMAND [ARGUMENTS...]
// Output, one line: median, fastest and slowest wall time in seconds, the
// median processor time (user + system) in seconds, and the largest peak
// resident set size (getrusage's ru_maxrss) in KB over the runs. On a machine
// shared with other work the processor time is the steadier figure.
// The command's standard output goes to /dev/null; a run that fails (non-zero
// exit status or a signal) fails the measurement.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;
  long maxRssKb = 0;
  bool ok = false;
};

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

Run RunOnce(char** command) {
  Run run;
  const double start = Now();
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    execvp(command[0], command);
    std::fprintf(stderr, "bench_measure: cannot run %s: %s\n", command[0], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = Now() - start;
  run.maxRssKb = usage.ru_maxrss;
  auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  run.cpuSeconds = secs(usage.ru_utime) + secs(usage.ru_stime);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!run.ok) std::fprintf(stderr, "bench_measure: %s failed (status %d)\n", command[0], status);
  return run;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool Count(const char* s, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (*s == 0 || *end != 0 || v < 0 || v > 1000) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5, warmup = 1, i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
    const bool known = i + 1 < argc && ((std::strcmp(argv[i], "--runs") == 0 && Count(argv[i + 1], &runs)) ||
                                        (std::strcmp(argv[i], "--warmup") == 0 && Count(argv[i + 1], &warmup)));
    if (!known) break;
  }
  if (i + 1 >= argc || std::strcmp(argv[i], "--") != 0 || runs < 1) {
    std::fputs("usage: bench_measure [--runs N] [--warmup N] -- COMMAND [ARGUMENTS...]\n", stderr);
    return 2;
  }
  char** command = argv + i + 1;
  for (int w = 0; w < warmup; ++w)
    if (!RunOnce(command).ok) return 1;
  std::vector<double> times, cpu;
  long maxRssKb = 0;
  for (int r = 0; r < runs; ++r) {
    const Run run = RunOnce(command);
    if (!run.ok) return 1;
    times.push_back(run.seconds);
    cpu.push_back(run.cpuSeconds);
    maxRssKb = std::max(maxRssKb, run.maxRssKb);
  }
  std::sort(times.begin(), times.end());
  std::printf("%.4f %.4f %.4f %.4f %ld\n", Median(times), times.front(), times.back(), Median(cpu), maxRssKb);
  return 0;
}
