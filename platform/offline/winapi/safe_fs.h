// Files below a held host folder, reached only through descriptors: a path is
// matched without regard to case by listing folders through their descriptors,
// links are followed by hand while they stay below the folder, and the result
// is opened with openat2(RESOLVE_BENEATH) (or one O_NOFOLLOW step per folder
// where the kernel lacks it), so that a link swapped in after the walk cannot
// lead out. Only regular files are opened as files: the type is checked on an
// O_PATH descriptor before anything is opened for reading or writing, so a
// FIFO never blocks and a device is never opened.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace offline::safefs {

// One owned descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

using Parts = std::vector<std::string>;

// A host folder held open for the whole run; everything below it is reached
// from this descriptor.
class Tree {
 public:
  // Null, with the reason in `error`, when `hostPath` is not a folder.
  static std::shared_ptr<const Tree> Open(const std::string& hostPath, std::string* error);

  int fd() const { return fd_.get(); }
  // Its canonical host path: for messages, and to tell whether an absolute
  // link stays below it.
  const std::string& real() const { return real_; }
  // The host path of `parts` below it, for messages.
  std::string HostPath(const Parts& parts) const;

 private:
  Fd fd_;
  std::string real_;
};

// Where a walk below a tree ended.
struct Walk {
  Parts parts;                // on-disk spelling, links replaced by where they lead; missing parts as asked
  Parts spelled;              // one per asked component: the name matched on disk (a link's own name), or as asked
  std::size_t found = 0;      // leading parts that exist
  bool parentExists = false;  // all but the last part exist and lead to a folder
  bool finalIsLink = false;   // the last part is a link, left unfollowed as asked
  mode_t mode = 0;            // the type of the last part when it exists (lstat's)

  bool exists() const { return found == parts.size(); }
};

// Walks `components` below the tree, matching each without regard to case
// (the exact name first). Links are followed by hand (at most 40) while they
// stay below the tree; the last one only with `followFinal`. Nullopt when the
// path leaves the tree, meets a dangling link or a link loop, or changes under
// the walk.
std::optional<Walk> Resolve(const Tree& tree, const Parts& components, bool followFinal);

// Opens `parts` (a walk's result: no links, no dots) below the tree with
// `flags` | O_NOFOLLOW | O_CLOEXEC; errno on failure. Never leaves the tree:
// openat2 with RESOLVE_BENEATH, or from the tree's descriptor one folder at a
// time with O_NOFOLLOW | O_DIRECTORY.
Fd OpenBeneath(const Tree& tree, const Parts& parts, int flags, mode_t mode = 0);

// Opens for I/O (`flags`: the access mode, O_TRUNC) the regular file that
// `held`, an O_PATH descriptor of `parts` whose fstat is `st`, holds: through
// that very descriptor, so the file checked is the file opened; `st` is
// refreshed.
Fd Reopen(const Tree& tree, const Parts& parts, const Fd& held, struct stat* st, int flags);

// Opens an existing regular file below the tree for I/O (`flags`: the access
// mode, O_TRUNC); the type, and `st` (filled), are those of the object opened.
// EISDIR, or ENODEV for a FIFO, socket or device, without opening it.
Fd OpenRegular(const Tree& tree, const Parts& parts, int flags, struct stat* st);
// The same for a host path named by the user (--reg, hives given by tools);
// links in it are followed.
Fd OpenRegularHost(const std::string& path, struct stat* st);

// The target of the link `name` in the folder `dirFd`; nullopt when unreadable.
std::optional<std::string> ReadLink(int dirFd, const std::string& name);

// The on-disk name in the folder `dirFd` equal to `name` without regard to
// case, the exact spelling first, with its lstat in `st`; nullopt when there
// is none.
std::optional<std::string> FindEntry(int dirFd, const std::string& name, struct stat* st);

// "a FIFO", "a socket", "a device", "a folder", "a symbolic link", ...
const char* KindOf(mode_t mode);

// For tests: whether openat2 is used (true unless the kernel lacks it; false
// forces the step-by-step walk), and a hook run before each component of a
// walk and before each final open.
void UseOpenat2ForTesting(bool use);
void SetStepHookForTesting(std::function<void()> hook);

}  // namespace offline::safefs
