#include "platform/offline/winapi/output_copy.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/offline/winapi/last_error.h"

namespace offline {
namespace {

// Copies all of `in` to `out`, refusing more than the limit (a file may grow
// while it is read). errno on failure.
bool CopyBounded(int in, int out) {
  char buffer[65536];
  std::uint64_t total = 0;
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    total += static_cast<std::uint64_t>(n);
    if (total > kMaxOutputCopyBytes) {
      errno = EFBIG;
      return false;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buffer + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return false;
      done += w;
    }
  }
}

std::string TooLarge(std::uint64_t size) {
  return "the image's copy is " + std::to_string(size) + " bytes; one over " +
         std::to_string(kMaxOutputCopyBytes >> 20) + " MiB is not copied below the output folder";
}

}  // namespace

bool CopyIntoOutput(const Place& from, const Place& to) {
  if (from.finalIsLink) return Fail(false, os::ERROR_ACCESS_DENIED, "the image's copy is a symbolic link");
  struct stat st;
  safefs::Fd in = safefs::OpenRegular(*from.tree, from.parts, O_RDONLY, &st);
  if (!in.valid()) {
    if (errno == ENODEV || errno == ELOOP)
      return Fail(false, os::ERROR_ACCESS_DENIED, std::string("the image's copy is ") + safefs::KindOf(st.st_mode));
    return FailErrno(false, errno);
  }
  if (st.st_nlink > 1) {
    return Fail(
        false, os::ERROR_ACCESS_DENIED,
        "the image's copy has " + std::to_string(st.st_nlink) + " hard links (it is not read through another name)");
  }
  if (static_cast<std::uint64_t>(st.st_size) > kMaxOutputCopyBytes)
    return Fail(false, os::ERROR_FILE_TOO_LARGE, TooLarge(static_cast<std::uint64_t>(st.st_size)));
  safefs::Fd parent = to.OpenParent();
  if (!parent.valid()) return FailErrno(false, errno);
  const std::string temp = to.Name() + ".~copy" + std::to_string(getpid());
  safefs::Fd out(openat(parent.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!out.valid()) return FailErrno(false, errno);
  bool ok = CopyBounded(in.get(), out.get());
  if (ok)
    ok = renameat2(parent.get(), temp.c_str(), parent.get(), to.Name().c_str(), RENAME_NOREPLACE) == 0 ||
         (errno == EINVAL && renameat(parent.get(), temp.c_str(), parent.get(), to.Name().c_str()) == 0);
  if (ok) return true;
  const int error = errno;
  unlinkat(parent.get(), temp.c_str(), 0);
  if (error == EFBIG)
    return Fail(false, os::ERROR_FILE_TOO_LARGE, "the image's copy grew past the limit while it was read");
  return FailErrno(false, error);
}

}  // namespace offline
