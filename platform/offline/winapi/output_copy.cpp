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
bool CopyBounded(DriveFile& in, int out) {
  char buffer[65536];
  std::uint64_t total = 0;
  for (;;) {
    long n = in.ReadAt(total, buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) return true;
    total += static_cast<std::uint64_t>(n);
    if (total > kMaxOutputCopyBytes) {
      errno = EFBIG;
      return false;
    }
    for (long done = 0; done < n;) {
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

bool CopyIntoOutput(const Found& from, const Place& to) {
  const mode_t mode = from.path.mode;
  if (from.path.finalIsLink) return Fail(false, os::ERROR_ACCESS_DENIED, "the image's copy is a symbolic link");
  if (!S_ISREG(mode))
    return Fail(false, os::ERROR_ACCESS_DENIED, std::string("the image's copy is ") + safefs::KindOf(mode));
  std::unique_ptr<DriveFile> in = from.source->Open(from.path);
  if (!in) return FailErrno(false, errno);
  if (in->Links() > 1) {
    return Fail(
        false, os::ERROR_ACCESS_DENIED,
        "the image's copy has " + std::to_string(in->Links()) + " hard links (it is not read through another name)");
  }
  if (in->Size() > kMaxOutputCopyBytes) return Fail(false, os::ERROR_FILE_TOO_LARGE, TooLarge(in->Size()));
  safefs::Fd parent = to.OpenParent();
  if (!parent.valid()) return FailErrno(false, errno);
  const std::string temp = to.Name() + ".~copy" + std::to_string(getpid());
  safefs::Fd out(openat(parent.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!out.valid()) return FailErrno(false, errno);
  bool ok = CopyBounded(*in, out.get());
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
