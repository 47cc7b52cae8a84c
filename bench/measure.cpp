// Runs commands several times, interleaved, and prints each one's wall time,
// processor time and peak memory:
//   bench_measure [--runs N] [--warmup N] -- [@K] COMMAND [ARGUMENTS...] [::: [@K] COMMAND ...]...
// Every round runs each command once (K times with @K) in the order given;
// --warmup rounds go first and are not counted. Interleaving puts the
// commands that a table compares side by side in time, so that other work on
// a shared machine (which slows wall and processor time alike in a virtual
// machine) weighs on all of them alike.
// Output, one line per command: median, fastest and slowest wall time in
// seconds, the median processor time (user + system) in seconds, and the
// largest peak resident set size (getrusage's ru_maxrss) in KB. A command's
// standard output goes to /dev/null; a run that fails (non-zero exit status
// or a signal) fails the measurement.
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
#include <string>
#include <vector>

namespace {

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;
  long maxRssKb = 0;
  bool ok = false;
};

struct Command {
  std::vector<char*> argv;  // null-terminated
  int repeat = 1;
  std::vector<double> seconds, cpuSeconds;
  long maxRssKb = 0;
};

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

Run RunOnce(char* const* argv) {
  Run run;
  const double start = Now();
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    execvp(argv[0], argv);
    std::fprintf(stderr, "bench_measure: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = Now() - start;
  run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  run.maxRssKb = usage.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!run.ok) std::fprintf(stderr, "bench_measure: %s failed (status %d)\n", argv[0], status);
  return run;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool Count(const char* s, int min, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (*s == 0 || *end != 0 || v < min || v > 1000) return false;
  *out = static_cast<int>(v);
  return true;
}

// The commands after "--", split at ":::"; empty when malformed.
std::vector<Command> ParseCommands(int argc, char** argv, int first) {
  std::vector<Command> commands(1);
  for (int i = first; i < argc; ++i) {
    Command& c = commands.back();
    if (std::strcmp(argv[i], ":::") == 0) {
      if (c.argv.empty()) return {};
      commands.emplace_back();
    } else if (c.argv.empty() && argv[i][0] == '@') {
      if (!Count(argv[i] + 1, 1, &c.repeat)) return {};
    } else {
      c.argv.push_back(argv[i]);
    }
  }
  if (commands.back().argv.empty()) return {};
  for (Command& c : commands) c.argv.push_back(nullptr);
  return commands;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5, warmup = 1, i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
    const bool known = i + 1 < argc && ((std::strcmp(argv[i], "--runs") == 0 && Count(argv[i + 1], 1, &runs)) ||
                                        (std::strcmp(argv[i], "--warmup") == 0 && Count(argv[i + 1], 0, &warmup)));
    if (!known) break;
  }
  std::vector<Command> commands;
  if (i < argc && std::strcmp(argv[i], "--") == 0) commands = ParseCommands(argc, argv, i + 1);
  if (commands.empty()) {
    std::fputs(
        "usage: bench_measure [--runs N] [--warmup N] -- [@K] COMMAND [ARGUMENTS...] [::: [@K] COMMAND ...]...\n",
        stderr);
    return 2;
  }
  const bool progress = isatty(STDERR_FILENO);
  for (int round = 0; round < warmup + runs; ++round) {
    if (progress) std::fprintf(stderr, "\rbench_measure: round %d of %d ", round + 1, warmup + runs);
    for (Command& c : commands) {
      for (int k = 0; k < c.repeat; ++k) {
        const Run run = RunOnce(c.argv.data());
        if (!run.ok) return 1;
        if (round < warmup) continue;
        c.seconds.push_back(run.seconds);
        c.cpuSeconds.push_back(run.cpuSeconds);
        c.maxRssKb = std::max(c.maxRssKb, run.maxRssKb);
      }
    }
  }
  if (progress) std::fputs("\n", stderr);
  for (const Command& c : commands) {
    const auto [fastest, slowest] = std::minmax_element(c.seconds.begin(), c.seconds.end());
    std::printf("%.4f %.4f %.4f %.4f %ld\n", Median(c.seconds), *fastest, *slowest, Median(c.cpuSeconds), c.maxRssKb);
  }
  return 0;
}
