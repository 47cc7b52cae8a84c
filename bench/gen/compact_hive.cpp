#include "bench/gen/compact_hive.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "platform/offline/formats/reg_tree.h"
#include "platform/text.h"

namespace bench {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::size_t kBin = 4096;
constexpr std::size_t kBinHeader = 32;
constexpr std::size_t kMaxInlineData = 4;
constexpr std::size_t kMaxCellData = 16344;  // larger values need big-data cells, which no generated value is
constexpr std::size_t kLeafKeys = 500;       // subkeys per lh leaf; more leaves go below an ri index
constexpr std::uint64_t kWritten = 128129856000000000ull;  // 2007-01-08, as FILETIME
constexpr std::uint16_t kCompressedName = 0x20;
constexpr std::uint16_t kRootFlags = 0x2C;  // hive entry, no delete, compressed name

struct Key {
  std::string name;  // ASCII, as generated
  std::vector<const std::pair<std::u16string, tools::RegValue>*> values;
  std::map<std::string, std::unique_ptr<Key>> children;  // by upper-cased name: the order of lh lists
};

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return s;
}

// The bins of a hive as one growing buffer; offsets are from the first bin,
// as cells refer to each other.
class Bins {
 public:
  // A used cell of `size` data bytes; its offset.
  std::uint32_t Cell(std::size_t size) {
    const std::size_t total = (size + 4 + 7) & ~std::size_t{7};
    if (free_ < total) {
      CloseBin();
      const std::size_t binSize = std::max(kBin, (total + kBinHeader + kBin - 1) / kBin * kBin);
      const std::size_t at = bytes_.size();
      bytes_.resize(at + binSize);
      std::copy_n("hbin", 4, bytes_.begin() + static_cast<std::ptrdiff_t>(at));
      Put32(at + 4, static_cast<std::uint32_t>(at));
      Put32(at + 8, static_cast<std::uint32_t>(binSize));
      Put64(at + 20, kWritten);
      next_ = at + kBinHeader;
      free_ = binSize - kBinHeader;
    }
    const std::size_t at = next_;
    Put32(at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(total)));
    next_ += total;
    free_ -= total;
    return static_cast<std::uint32_t>(at);
  }
  // The rest of the last bin as one free cell.
  void CloseBin() {
    if (free_ > 0) Put32(next_, static_cast<std::uint32_t>(free_));
    free_ = 0;
  }
  void Put16(std::size_t at, std::uint16_t v) {
    for (int i = 0; i < 2; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void Put32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void Put64(std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void PutBytes(std::size_t at, const std::uint8_t* p, std::size_t n) { std::copy_n(p, n, bytes_.begin() + at); }
  void PutText(std::size_t at, const std::string& s) { std::copy(s.begin(), s.end(), bytes_.begin() + at); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t next_ = 0;
  std::size_t free_ = 0;
};

class HiveLayout {
 public:
  explicit HiveLayout(Bins& bins) : bins_(bins) {
    // One security descriptor for every key: self-relative, no DACL.
    security_ = bins_.Cell(24 + 20);
    bins_.PutText(security_ + 4, "sk");
    bins_.Put32(security_ + 8, security_);
    bins_.Put32(security_ + 12, security_);
    bins_.Put32(security_ + 20, 20);
    bins_.Put16(security_ + 24, 1);
    bins_.Put16(security_ + 26, 0x8000);
  }

  std::uint32_t WriteKey(const Key& key, std::uint32_t parent, bool root) {
    const std::uint32_t nk = bins_.Cell(76 + key.name.size());
    bins_.PutText(nk + 4, "nk");
    bins_.Put16(nk + 6, root ? kRootFlags : kCompressedName);
    bins_.Put64(nk + 8, kWritten);
    bins_.Put32(nk + 20, parent);
    bins_.Put32(nk + 32, kNone);
    bins_.Put32(nk + 36, kNone);
    bins_.Put32(nk + 44, kNone);
    bins_.Put32(nk + 48, security_);
    bins_.Put32(nk + 52, kNone);
    bins_.Put16(nk + 76, static_cast<std::uint16_t>(key.name.size()));
    bins_.PutText(nk + 80, key.name);
    ++references_;
    bins_.Put32(security_ + 16, references_);
    WriteValues(key, nk);
    std::vector<std::pair<std::uint32_t, const Key*>> children;
    std::uint32_t longestName = 0;
    for (const auto& [upper, child] : key.children) {
      children.emplace_back(WriteKey(*child, nk, false), child.get());
      longestName = std::max(longestName, static_cast<std::uint32_t>(child->name.size() * 2));
    }
    if (!children.empty()) {
      bins_.Put32(nk + 24, static_cast<std::uint32_t>(children.size()));
      bins_.Put32(nk + 32, WriteSubkeyList(children));
      bins_.Put32(nk + 56, longestName);
    }
    return nk;
  }

 private:
  void WriteValues(const Key& key, std::uint32_t nk) {
    if (key.values.empty()) return;
    const std::uint32_t list = bins_.Cell(4 * key.values.size());
    std::uint32_t longestName = 0, longestData = 0;
    for (std::size_t i = 0; i < key.values.size(); ++i) {
      const std::string name = text::ToUtf8(key.values[i]->first);
      const tools::RegValue& value = key.values[i]->second;
      const std::uint32_t size = static_cast<std::uint32_t>(value.data.size());
      const std::uint32_t vk = bins_.Cell(20 + name.size());
      bins_.PutText(vk + 4, "vk");
      bins_.Put16(vk + 6, static_cast<std::uint16_t>(name.size()));
      if (size <= kMaxInlineData) {
        bins_.Put32(vk + 8, size | 0x80000000u);
        bins_.PutBytes(vk + 12, value.data.data(), size);
      } else {
        const std::uint32_t data = bins_.Cell(size);
        bins_.PutBytes(data + 4, value.data.data(), size);
        bins_.Put32(vk + 8, size);
        bins_.Put32(vk + 12, data);
      }
      bins_.Put32(vk + 16, value.type);
      bins_.Put16(vk + 20, name.empty() ? 0 : 1);  // compressed (ASCII) name
      bins_.PutText(vk + 24, name);
      bins_.Put32(list + 4 + 4 * static_cast<std::uint32_t>(i), vk);
      longestName = std::max(longestName, static_cast<std::uint32_t>(name.size() * 2));
      longestData = std::max(longestData, size);
    }
    bins_.Put32(nk + 40, static_cast<std::uint32_t>(key.values.size()));
    bins_.Put32(nk + 44, list);
    bins_.Put32(nk + 64, longestName);
    bins_.Put32(nk + 68, longestData);
  }

  // lh leaves of at most kLeafKeys entries, under an ri index when there are several.
  std::uint32_t WriteSubkeyList(const std::vector<std::pair<std::uint32_t, const Key*>>& children) {
    std::vector<std::uint32_t> leaves;
    for (std::size_t first = 0; first < children.size(); first += kLeafKeys) {
      const std::size_t count = std::min(kLeafKeys, children.size() - first);
      const std::uint32_t lh = bins_.Cell(4 + 8 * count);
      bins_.PutText(lh + 4, "lh");
      bins_.Put16(lh + 6, static_cast<std::uint16_t>(count));
      for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t hash = 0;
        for (char c : Upper(children[first + i].second->name)) hash = hash * 37 + static_cast<unsigned char>(c);
        bins_.Put32(lh + 8 + 8 * i, children[first + i].first);
        bins_.Put32(lh + 12 + 8 * i, hash);
      }
      leaves.push_back(lh);
    }
    if (leaves.size() == 1) return leaves[0];
    const std::uint32_t ri = bins_.Cell(4 + 4 * leaves.size());
    bins_.PutText(ri + 4, "ri");
    bins_.Put16(ri + 6, static_cast<std::uint16_t>(leaves.size()));
    for (std::size_t i = 0; i < leaves.size(); ++i) bins_.Put32(ri + 8 + 4 * i, leaves[i]);
    return ri;
  }

  Bins& bins_;
  std::uint32_t security_ = 0;
  std::uint32_t references_ = 0;
};

// The 4 KB base block in front of the bins.
std::vector<std::uint8_t> BaseBlock(std::uint32_t root, std::size_t binBytes, const std::string& fileName) {
  std::vector<std::uint8_t> b(kBin, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  std::copy_n("regf", 4, b.begin());
  put32(4, 1);
  put32(8, 1);
  put32(12, static_cast<std::uint32_t>(kWritten));
  put32(16, static_cast<std::uint32_t>(kWritten >> 32));
  put32(20, 1);  // format version 1.5
  put32(24, 5);
  put32(32, 1);  // direct memory load
  put32(36, root);
  put32(40, static_cast<std::uint32_t>(binBytes));
  put32(44, 1);
  for (std::size_t i = 0; i < fileName.size() && i < 31; ++i) b[48 + 2 * i] = static_cast<std::uint8_t>(fileName[i]);
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < 508; at += 4)
    sum ^= static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) | static_cast<std::uint32_t>(b[at + 3])
                                                                                      << 24;
  if (sum == 0) sum = 1;
  if (sum == kNone) sum = kNone - 1;
  put32(508, sum);
  return b;
}

bool WriteHive(const Key& root, const std::string& path, const std::string& fileName, std::string* error) {
  Bins bins;
  HiveLayout layout(bins);
  const std::uint32_t rootCell = layout.WriteKey(root, kNone, true);
  bins.CloseBin();
  const std::vector<std::uint8_t> head = BaseBlock(rootCell, bins.bytes().size(), fileName);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
            std::fwrite(bins.bytes().data(), 1, bins.bytes().size(), f) == bins.bytes().size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) *error = "cannot write " + path;
  return ok;
}

}  // namespace

bool WriteCompactHives(const tools::RegistryContent& content, unsigned controlSet, const std::string& systemHive,
                       const std::string& softwareHive, std::string* error) {
  Key system{"$$$PROTO.HIV", {}, {}}, software{"$$$PROTO.HIV", {}, {}};
  const std::string controlSetName = text::ToUtf8(offline::ControlSetName(controlSet));
  for (const tools::RegKey& regKey : content.Keys()) {
    std::vector<std::string> parts;
    for (std::u16string_view part : offline::SplitRegPath(regKey.path)) parts.push_back(text::ToUtf8(part));
    if (parts.empty()) continue;
    const std::string hive = Upper(parts[0]);
    if (hive != "SYSTEM" && hive != "SOFTWARE") continue;
    if (hive == "SYSTEM" && parts.size() > 1 && Upper(parts[1]) == "CURRENTCONTROLSET") parts[1] = controlSetName;
    Key* key = hive == "SYSTEM" ? &system : &software;
    for (std::size_t i = 1; i < parts.size(); ++i) {
      std::unique_ptr<Key>& child = key->children[Upper(parts[i])];
      if (!child) child = std::make_unique<Key>(Key{parts[i], {}, {}});
      key = child.get();
    }
    for (const auto& value : regKey.values) {
      if (value.second.data.size() > kMaxCellData) {
        *error = "value " + text::ToUtf8(value.first) + " of " + text::ToUtf8(regKey.path) + " is too large";
        return false;
      }
      key->values.push_back(&value);
    }
  }
  return WriteHive(system, systemHive, "\\SystemRoot\\System32\\Config\\SYSTEM", error) &&
         WriteHive(software, softwareHive, "\\SystemRoot\\System32\\Config\\SOFTWARE", error);
}

}  // namespace bench
