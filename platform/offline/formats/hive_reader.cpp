#include "platform/offline/formats/hive_reader.h"

#include <fcntl.h>
#include <hivex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/codecs.h"
#include "platform/offline/formats/hive_layout.h"
#include "platform/text.h"

namespace offline {
namespace {

// Limits for hostile hives. Windows' own: a tree 512 levels deep, values of
// 1 MB in the standard hive format ("Registry element size limits"). Ours: a
// key or value cell is taken once, where it is first listed, however often
// the hive lists it (a key listed as its own subkey, or one value cell in
// many lists), so that filling every key is linear in the hive's cells; and
// no more keys, values and value bytes than below, nor more value bytes
// than the file holds.
constexpr int kMaxDepth = 512;
constexpr std::size_t kMaxKeys = 1000000;
constexpr std::size_t kMaxValueBytes = 1 << 20;
constexpr std::size_t kMaxValuesPerKey = 100000;
constexpr std::size_t kMaxTotalValueBytes = std::size_t{256} << 20;
constexpr std::size_t kMaxTotalValues = 4000000;

// Where a name lies in a key ("nk") or value ("vk") cell, from the cell's
// start (its 4-byte size): the name's length, the flags word, the bit that
// says it is stored one byte a character (else UTF-16LE), and the name.
struct NameLayout {
  std::uint64_t length, flags;
  std::uint16_t oneByte;
  std::uint64_t name;
};
constexpr NameLayout kKeyName{4 + 0x48, 4 + 0x02, 0x0020, 4 + 0x4C};
constexpr NameLayout kValueName{4 + 0x02, 4 + 0x10, 0x0001, 4 + 0x14};

struct HiveCloser {
  void operator()(hive_h* h) const {
    if (h) hivex_close(h);
  }
};
using HivePtr = std::unique_ptr<hive_h, HiveCloser>;

struct FreeString {
  void operator()(char* p) const { std::free(p); }
};
using CString = std::unique_ptr<char, FreeString>;

// A value's type as the 32-bit number the hive stores. hivex hands it over as
// its enum, which holds only the known types: real hives also hold others
// (0xFFFF0012, ...), so it is never read as that enum.
class RawType {
 public:
  hive_type* out() { return reinterpret_cast<hive_type*>(storage_); }
  std::uint32_t value() const {
    std::uint32_t v = 0;
    std::memcpy(&v, storage_, sizeof v < sizeof storage_ ? sizeof v : sizeof storage_);
    return v;
  }

 private:
  alignas(hive_type) unsigned char storage_[sizeof(hive_type)] = {};
};

// Cells met so far: one bit per 4-byte step of the file (hivex hands out
// cells that lie in it, aligned), a set for any other. A hive of 5 MB costs
// 160 KB instead of a hash node per cell.
class CellSet {
 public:
  explicit CellSet(std::uint64_t fileBytes) : bits_(static_cast<std::size_t>(fileBytes / 4 + 1)) {}
  // True when `cell` was not met before.
  bool Insert(std::size_t cell) {
    if (cell % 4 != 0 || cell / 4 >= bits_.size()) return others_.insert(cell).second;
    if (bits_[cell / 4]) return false;
    bits_[cell / 4] = true;
    return true;
  }

 private:
  std::vector<bool> bits_;
  std::unordered_set<std::size_t> others_;
};

// An open hive and what its keys have taken so far. Each key still to be
// filled holds it; it closes when the last of them is filled or dropped.
// hivex holds the whole file in its own memory (see OpenWhole), and names
// with a NUL are read through a descriptor of the session's own, so the
// caller's descriptor may be closed as soon as the reader returns.
class HiveSession : public RegTreeFiller, public std::enable_shared_from_this<HiveSession> {
 public:
  HiveSession(HivePtr hive, int fd, std::uint64_t bytes)
      : hive_(std::move(hive)), fd_(fd), fileBytes_(bytes), seenKeys_(bytes), seenValues_(bytes) {}
  ~HiveSession() override {
    if (fd_ >= 0) close(fd_);
  }
  HiveSession(const HiveSession&) = delete;
  HiveSession& operator=(const HiveSession&) = delete;

  void Claim(hive_node_h root) { seenKeys_.Insert(root); }

  // The key's values, then its subkeys, each to be filled when first used.
  // A subkey whose name is taken already is merged into that key at once.
  void Fill(std::uint64_t node, int depth, RegTreeKey* into) override {
    CopyValues(node, into);
    hive_node_h* children = hivex_node_children(hive_.get(), node);
    if (!children) return;
    for (std::size_t i = 0; children[i] && keys_ < kMaxKeys; ++i) {
      if (!seenKeys_.Insert(children[i])) continue;
      ++keys_;
      CString name(hivex_node_name(hive_.get(), children[i]));
      if (!name) continue;
      const std::size_t before = into->Subkeys().size();
      RegTreeKey* child =
          into->AddChild(Name(children[i], name.get(), hivex_node_name_len(hive_.get(), children[i]), kKeyName));
      if (depth + 1 > kMaxDepth) continue;
      if (into->Subkeys().size() != before) {
        child->FillLater(shared_from_this(), children[i], depth + 1);
      } else {
        child->Subkeys();  // its own first, then this one on top
        Fill(children[i], depth + 1, child);
      }
    }
    std::free(children);
  }

 private:
  // A name as stored. hivex cuts a name at a NUL it holds; such a name is read
  // whole from the cell, so that it never stands for its first part. A name
  // stored one byte a character holds the characters U+0000 to U+00FF.
  std::u16string Name(std::size_t cell, const char* cut, std::size_t fullUtf8, const NameLayout& at) const {
    std::u16string name = text::FromUtf8(cut);
    if (std::strlen(cut) == fullUtf8) return name;
    std::uint8_t head[kKeyName.name];
    std::vector<std::uint8_t> bytes;
    if (pread(fd_, head, sizeof head, static_cast<off_t>(cell)) == static_cast<ssize_t>(sizeof head)) {
      const ByteView view(head, sizeof head);
      bytes.resize(view.u16At(at.length).value_or(0));
      if (pread(fd_, bytes.data(), bytes.size(), static_cast<off_t>(cell + at.name)) !=
          static_cast<ssize_t>(bytes.size()))
        bytes.clear();
    }
    if (bytes.empty()) return name + u'\0';  // unreadable: at least not its first part
    if ((ByteView(head, sizeof head).u16At(at.flags).value_or(0) & at.oneByte) == 0)
      return codecs::DecodeUtf16Le(bytes.data(), bytes.size());
    return std::u16string(bytes.begin(), bytes.end());
  }

  void CopyValues(hive_node_h node, RegTreeKey* into) {
    hive_value_h* values = hivex_node_values(hive_.get(), node);
    if (!values) return;
    for (std::size_t i = 0; values[i] && i < kMaxValuesPerKey && valueCount_ < kMaxTotalValues; ++i) {
      if (!seenValues_.Insert(values[i])) continue;
      ++valueCount_;
      CopyValue(values[i], into);
    }
    std::free(values);
  }

  void CopyValue(hive_value_h value, RegTreeKey* into) {
    RawType type;
    std::size_t len = 0;
    if (hivex_value_type(hive_.get(), value, type.out(), &len) != 0 || len > kMaxValueBytes) return;
    CString name(hivex_value_key(hive_.get(), value));
    if (!name) return;
    std::size_t got = 0;
    CString bytes(hivex_value_value(hive_.get(), value, type.out(), &got));
    if (!bytes || got > kMaxValueBytes || valueBytes_ + got > std::min<std::uint64_t>(kMaxTotalValueBytes, fileBytes_))
      return;
    valueBytes_ += got;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.get());
    into->SetValue(Name(value, name.get(), hivex_value_key_len(hive_.get(), value), kValueName), type.value(),
                   std::vector<std::uint8_t>(p, p + got));
  }

  HivePtr hive_;
  int fd_;
  std::uint64_t fileBytes_;
  std::size_t keys_ = 0;
  std::size_t valueCount_ = 0;
  std::size_t valueBytes_ = 0;
  CellSet seenKeys_, seenValues_;
};

// hivex reads the whole file into memory of its own when opened for writing
// (the file itself is opened read-only, and nothing is written unless
// hivex_commit is called, which this reader never does). A read-only open
// would map the file shared: keys are filled long after the open, and a
// hive in the image truncated or rewritten in between would then fault
// (SIGBUS) or change under the reader. The tolerant mode is tried second.
HivePtr OpenWhole(int fd) {
  const std::string name = "/proc/self/fd/" + std::to_string(fd);
  HivePtr hive(hivex_open(name.c_str(), HIVEX_OPEN_WRITE));
  if (!hive) hive.reset(hivex_open(name.c_str(), HIVEX_OPEN_WRITE | HIVEX_OPEN_UNSAFE));
  return hive;
}

// The base block as far as the reader needs it: signature and sequence numbers.
Parsed<HiveInfo, HiveError> ReadBaseBlock(ByteView bytes) {
  if (!bytes.contains(0, hive::kBaseBlockSize)) return HiveError::kTooShort;
  if (bytes.u32At(hive::kSignature) != std::optional<std::uint32_t>(hive::kSignatureValue)) return HiveError::kNotAHive;
  HiveInfo info;
  info.dirty = bytes.u32At(hive::kPrimarySequence) != bytes.u32At(hive::kSecondarySequence);
  return info;
}

// Up to the base block's size from the start of the file.
std::vector<std::uint8_t> BaseBlockOf(int fd) {
  std::vector<std::uint8_t> block(hive::kBaseBlockSize);
  std::size_t got = 0;
  while (got < block.size()) {
    const ssize_t n = pread(fd, block.data() + got, block.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  block.resize(got);
  return block;
}

struct MemoryFile {
  int fd = memfd_create("hive", MFD_CLOEXEC);
  ~MemoryFile() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

const char* Describe(HiveError error) {
  switch (error) {
    case HiveError::kTooShort:
      return "too short for a registry hive";
    case HiveError::kNotAHive:
      return "not a registry hive";
    case HiveError::kDamaged:
      return "damaged registry hive";
    case HiveError::kNoRoot:
      return "registry hive without a root key";
    case HiveError::kNoMemoryFile:
      return "no memory for the hive";
  }
  return "unreadable registry hive";
}

Parsed<HiveInfo, HiveError> ReadHiveDescriptor(int fd, RegTreeKey* into) {
  HivePtr hive = OpenWhole(fd);
  const std::vector<std::uint8_t> block = BaseBlockOf(fd);
  auto info = ReadBaseBlock(ByteView(block.data(), block.size()));
  if (!hive) return info ? HiveError::kDamaged : info.reason();
  hive_node_h root = hivex_root(hive.get());
  if (!root) return HiveError::kNoRoot;
  struct stat st;
  const std::uint64_t fileBytes = fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  // A descriptor of its own (another view of the same open file); without
  // one, names holding a NUL are only marked as cut.
  const int own = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  auto session = std::make_shared<HiveSession>(std::move(hive), own, fileBytes);
  session->Claim(root);
  into->FillLater(std::move(session), root, 0);
  // hivex read what it holds; a base block it took should read here too.
  return info ? *info : HiveInfo{};
}

Parsed<HiveInfo, HiveError> ReadHiveBytes(ByteView bytes, RegTreeKey* into) {
  const MemoryFile file;
  if (file.fd < 0) return HiveError::kNoMemoryFile;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return HiveError::kNoMemoryFile;
    done += static_cast<std::size_t>(n);
  }
  return ReadHiveDescriptor(file.fd, into);
}

}  // namespace offline
