#include "platform/offline/winapi/safe_fs.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <deque>

#include "platform/offline/winapi/folder_names.h"
#include "platform/text.h"

namespace offline::safefs {
namespace {

constexpr int kMaxLinks = 40;            // as the kernel's own limit for one path
constexpr std::size_t kMaxSteps = 4096;  // components walked for one path, links included

std::atomic<bool> g_useOpenat2{true};

std::function<void()>& StepHook() {
  static std::function<void()> hook;
  return hook;
}

void Step() {
  if (StepHook()) StepHook()();
}

std::string Join(const Parts& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

Parts Split(const std::string& path) {
  Parts parts;
  std::string current;
  for (char c : path + "/") {
    if (c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  return parts;
}

int Openat2Beneath(int dirFd, const std::string& path, int flags, mode_t mode) {
  struct open_how how {};
  how.flags = static_cast<unsigned long long>(flags);
  how.mode = (flags & O_CREAT) ? mode : 0;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  for (int attempt = 0; attempt < 3; ++attempt) {
    long fd = syscall(SYS_openat2, dirFd, path.c_str(), &how, sizeof how);
    if (fd >= 0) return static_cast<int>(fd);
    if (errno != EAGAIN) break;  // EAGAIN: a rename raced the lookup
  }
  return -1;
}

// Opens the object an O_PATH descriptor holds for I/O, through that very
// descriptor, so the object checked is the object opened. Without /proc,
// `fallback` opens it again by name (O_NONBLOCK | O_NOCTTY, so that a FIFO
// swapped in cannot block) and the inode must be the same.
Fd ReopenVia(int pathFd, struct stat* st, int flags, const std::function<int(int)>& fallback) {
  flags = (flags | O_CLOEXEC | O_NOCTTY) & ~(O_CREAT | O_EXCL | O_NOFOLLOW | O_DIRECTORY);
  const std::string proc = "/proc/self/fd/" + std::to_string(pathFd);
  Fd io(open(proc.c_str(), flags));
  bool nonBlocking = false;  // opened by the fallback, which must not wait on a FIFO put there since
  if (!io.valid()) {
    if (errno != ENOENT) return Fd();
    io = Fd(fallback(flags | O_NONBLOCK));
    if (!io.valid()) return Fd();
    nonBlocking = true;
  }
  struct stat now;
  if (fstat(io.get(), &now) != 0 || now.st_dev != st->st_dev || now.st_ino != st->st_ino || !S_ISREG(now.st_mode)) {
    errno = ESTALE;
    return Fd();
  }
  const int current = nonBlocking ? fcntl(io.get(), F_GETFL) : -1;
  if (current >= 0 && (current & O_NONBLOCK)) fcntl(io.get(), F_SETFL, current & ~O_NONBLOCK);
  *st = now;
  return io;
}

// Checks that `st` is a regular file; errno says what it is otherwise.
bool IsRegular(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return true;
  errno = S_ISDIR(st.st_mode) ? EISDIR : S_ISLNK(st.st_mode) ? ELOOP : ENODEV;
  return false;
}

// The rest of an absolute link target below the tree's real path, or nullopt
// when it points elsewhere.
std::optional<std::string> BelowTree(const std::string& real, const std::string& target) {
  if (real == "/") return target;
  if (target == real) return std::string();
  if (target.size() > real.size() && target.compare(0, real.size(), real) == 0 && target[real.size()] == '/')
    return target.substr(real.size());
  return std::nullopt;
}

}  // namespace

void Fd::reset(int fd) {
  if (fd_ >= 0) {
    int saved = errno;
    close(fd_);
    errno = saved;
  }
  fd_ = fd;
}

std::shared_ptr<const Tree> Tree::Open(const std::string& hostPath, std::string* error) {
  char real[PATH_MAX];
  auto tree = std::make_shared<Tree>();
  if (realpath(hostPath.c_str(), real)) tree->fd_ = Fd(open(real, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!tree->fd_.valid()) {
    if (error) *error = "'" + hostPath + "' does not exist or is not a folder";
    return nullptr;
  }
  tree->real_ = real;
  return tree;
}

std::string Tree::HostPath(const Parts& parts) const {
  std::string out = real_ == "/" ? std::string() : real_;
  for (const std::string& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

std::optional<std::string> ReadLink(int dirFd, const std::string& name) {
  char target[PATH_MAX];
  ssize_t n = readlinkat(dirFd, name.c_str(), target, sizeof target);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return std::nullopt;
  return std::string(target, static_cast<std::size_t>(n));
}

std::optional<std::string> FindEntry(int dirFd, const std::string& name, struct stat* st) {
  if (name.find('/') != std::string::npos) return std::nullopt;
  if (fstatat(dirFd, name.c_str(), st, AT_SYMLINK_NOFOLLOW) == 0) return name;
  const std::optional<std::string> entry = FindNameNoCase(dirFd, name);
  if (!entry || fstatat(dirFd, entry->c_str(), st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return entry;
}

std::optional<Walk> Resolve(const Tree& tree, const Parts& components, bool followFinal) {
  struct Pending {
    std::string name;
    bool asked;  // from the caller's path, not from a link's target
  };
  std::deque<Pending> todo;
  for (const std::string& c : components) todo.push_back({c, true});
  Walk walk;
  std::vector<Fd> folders;  // folders[i]: the folder walk.parts[0..i]
  int links = 0;
  std::size_t steps = 0;
  auto current = [&] { return folders.empty() ? tree.fd() : folders.back().get(); };
  // The rest of the asked path spelled as given, behind what exists.
  auto missing = [&](bool parentExists) -> std::optional<Walk> {
    walk.found = walk.parts.size();
    for (const Pending& p : todo) {
      if (!p.asked || p.name == "..") return std::nullopt;  // a link to nowhere
      walk.parts.push_back(p.name);
      walk.spelled.push_back(p.name);
    }
    walk.parentExists = parentExists;
    walk.mode = 0;
    return walk;
  };
  while (!todo.empty()) {
    if (++steps > kMaxSteps) return std::nullopt;
    const Pending next = todo.front();
    if (next.name.empty() || next.name == ".") {
      todo.pop_front();
      continue;
    }
    if (next.name == "..") {
      todo.pop_front();
      if (walk.parts.empty()) return std::nullopt;  // above the tree
      walk.parts.pop_back();
      folders.pop_back();
      continue;
    }
    Step();
    struct stat st;
    std::optional<std::string> entry = FindEntry(current(), next.name, &st);
    if (!entry) return missing(todo.size() == 1);
    todo.pop_front();
    if (next.asked) walk.spelled.push_back(*entry);
    if (S_ISLNK(st.st_mode) && (!todo.empty() || followFinal)) {
      std::optional<std::string> target = ReadLink(current(), *entry);
      if (++links > kMaxLinks || !target || target->empty()) return std::nullopt;
      if ((*target)[0] == '/') {
        target = BelowTree(tree.real(), *target);
        if (!target) return std::nullopt;
        walk.parts.clear();
        folders.clear();
      }
      Parts inner = Split(*target);
      for (auto it = inner.rbegin(); it != inner.rend(); ++it) todo.push_front({*it, false});
      continue;
    }
    walk.parts.push_back(*entry);
    walk.mode = st.st_mode;
    walk.finalIsLink = S_ISLNK(st.st_mode);
    if (todo.empty()) break;
    if (!S_ISDIR(st.st_mode)) return missing(false);  // a path that goes on below a file
    Fd folder(openat(current(), entry->c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid()) return std::nullopt;  // changed under the walk
    folders.push_back(std::move(folder));
  }
  walk.found = walk.parts.size();
  walk.parentExists = true;
  struct stat st;
  if (walk.parts.empty()) walk.mode = fstat(tree.fd(), &st) == 0 ? st.st_mode : 0;  // the tree itself
  return walk;
}

Fd OpenBeneath(const Tree& tree, const Parts& parts, int flags, mode_t mode) {
  flags |= O_NOFOLLOW | O_CLOEXEC;
  Step();
  if (parts.empty()) return Fd(openat(tree.fd(), ".", flags & ~O_CREAT));
  if (g_useOpenat2) {
    int fd = Openat2Beneath(tree.fd(), Join(parts), flags, mode);
    if (fd >= 0 || errno != ENOSYS) return Fd(fd);
    g_useOpenat2 = false;
  }
  Fd folder;
  int at = tree.fd();
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    Step();
    folder = Fd(openat(at, parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid()) return Fd();
    at = folder.get();
  }
  return Fd(openat(at, parts.back().c_str(), flags, mode));
}

Fd Reopen(const Tree& tree, const Parts& parts, const Fd& held, struct stat* st, int flags) {
  if (!IsRegular(*st)) return Fd();
  return ReopenVia(held.get(), st, flags, [&](int ioFlags) { return OpenBeneath(tree, parts, ioFlags).release(); });
}

Fd OpenRegular(const Tree& tree, const Parts& parts, int flags, struct stat* st) {
  Fd held = OpenBeneath(tree, parts, O_PATH);
  if (!held.valid() || fstat(held.get(), st) != 0) return Fd();
  return Reopen(tree, parts, held, st, flags);
}

Fd OpenRegularHost(const std::string& path, struct stat* st) {
  Fd held(open(path.c_str(), O_PATH | O_CLOEXEC));
  if (!held.valid() || fstat(held.get(), st) != 0 || !IsRegular(*st)) return Fd();
  return ReopenVia(held.get(), st, O_RDONLY, [&](int ioFlags) { return open(path.c_str(), ioFlags | O_CLOEXEC); });
}

const char* KindOf(mode_t mode) {
  if (S_ISREG(mode)) return "a file";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  return "not a file";
}

void UseOpenat2ForTesting(bool use) { g_useOpenat2 = use; }
void SetStepHookForTesting(std::function<void()> hook) { StepHook() = std::move(hook); }

}  // namespace offline::safefs
