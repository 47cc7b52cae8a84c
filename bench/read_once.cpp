// The yardstick of the benchmark: reads every file named in a list (one host
// path a line) exactly once, whole, as a program that needs nothing else
// would. Exit status 1 when a file cannot be read, so that a stale list fails
// loudly instead of timing less work.
//   bench_read_once LIST
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: bench_read_once LIST\n", stderr);
    return 2;
  }
  std::ifstream list(argv[1]);
  if (!list) {
    std::fprintf(stderr, "bench_read_once: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<char> buffer(1u << 20);
  std::string path;
  unsigned long long files = 0, bytes = 0;
  while (std::getline(list, path)) {
    if (path.empty()) continue;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::fprintf(stderr, "bench_read_once: cannot open %s\n", path.c_str());
      return 1;
    }
    ssize_t n;
    while ((n = read(fd, buffer.data(), buffer.size())) > 0) bytes += static_cast<unsigned long long>(n);
    close(fd);
    if (n < 0) {
      std::fprintf(stderr, "bench_read_once: cannot read %s\n", path.c_str());
      return 1;
    }
    ++files;
  }
  std::printf("%llu files, %llu bytes\n", files, bytes);
  return 0;
}
