#include "tools/lib/registry_content.h"

#include <algorithm>

#include "platform/codecs.h"
#include "platform/offline/reg_tree.h"
#include "platform/text.h"

namespace tools {
namespace {

bool SamePath(std::u16string_view a, std::u16string_view b) { return text::EqualsNoCaseAZ(a, b); }

// True when `path` is `ancestor` or lies below it.
bool IsUnder(std::u16string_view path, std::u16string_view ancestor) {
  if (path.size() < ancestor.size() || !SamePath(path.substr(0, ancestor.size()), ancestor)) return false;
  return path.size() == ancestor.size() || path[ancestor.size()] == u'\\';
}

std::u16string Trimmed(const std::u16string& path) {
  std::u16string out;
  for (char16_t c : path) {
    if (c == u'\\' && (out.empty() || out.back() == u'\\')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

}  // namespace

void RegistryContent::CreateKey(const std::u16string& rawPath) {
  std::u16string path = Trimmed(rawPath);
  if (path.empty()) return;
  std::size_t pos = 0;
  while (true) {
    std::size_t slash = path.find(u'\\', pos);
    std::u16string prefix = path.substr(0, slash);
    bool known = std::any_of(keys_.begin(), keys_.end(), [&](const RegKey& k) { return SamePath(k.path, prefix); });
    if (!known) keys_.push_back(RegKey{prefix, {}});
    if (slash == std::u16string::npos) break;
    pos = slash + 1;
  }
}

void RegistryContent::SetValue(const std::u16string& rawPath, const std::u16string& name, RegValue value) {
  std::u16string path = Trimmed(rawPath);
  CreateKey(path);
  for (auto& key : keys_) {
    if (!SamePath(key.path, path)) continue;
    for (auto& v : key.values) {
      if (SamePath(v.first, name)) {
        v.second = std::move(value);
        return;
      }
    }
    key.values.emplace_back(name, std::move(value));
    return;
  }
}

void RegistryContent::SetString(const std::u16string& path, const std::u16string& name, const std::u16string& text,
                                std::uint32_t type) {
  SetValue(path, name, RegValue{type, codecs::EncodeUtf16Le(text, true)});
}

void RegistryContent::SetDword(const std::u16string& path, const std::u16string& name, std::uint32_t value) {
  RegValue v;
  v.type = 4;
  for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  SetValue(path, name, std::move(v));
}

void RegistryContent::DeleteKey(const std::u16string& rawPath) {
  std::u16string path = Trimmed(rawPath);
  keys_.erase(std::remove_if(keys_.begin(), keys_.end(), [&](const RegKey& k) { return IsUnder(k.path, path); }),
              keys_.end());
}

}  // namespace tools

namespace tools {
namespace {

std::u16string ResolveControlSet(const std::u16string& path, unsigned controlSet) {
  constexpr std::u16string_view kCcs = u"SYSTEM\\CurrentControlSet";
  if (controlSet == 0 || path.size() < kCcs.size() ||
      !text::EqualsNoCaseAZ(std::u16string_view(path).substr(0, kCcs.size()), kCcs) ||
      (path.size() > kCcs.size() && path[kCcs.size()] != u'\\')) {
    return path;
  }
  return u"SYSTEM\\" + offline::ControlSetName(controlSet) + path.substr(kCcs.size());
}

// The text of a REG_SZ value when it can be written as "text": a whole
// number of characters ending in exactly one terminator, none inside.
bool AsQuotedText(const RegValue& v, std::u16string* out) {
  if (v.type != 1 || v.data.size() < 2 || v.data.size() % 2) return false;
  out->clear();
  for (std::size_t i = 0; i + 1 < v.data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(v.data[i] | v.data[i + 1] << 8);
    if (c == 0) return i + 2 == v.data.size();
    if (c == u'\r' || c == u'\n') return false;
    out->push_back(c);
  }
  return false;
}

std::u16string Hex(std::uint32_t v, int minDigits) {
  std::u16string out;
  do {
    out.insert(out.begin(), u"0123456789abcdef"[v & 15]);
    v >>= 4;
  } while (v);
  while (static_cast<int>(out.size()) < minDigits) out.insert(out.begin(), u'0');
  return out;
}

std::u16string HexList(const std::vector<std::uint8_t>& data, std::size_t firstLineUsed) {
  std::u16string out;
  std::size_t used = firstLineUsed;
  for (std::size_t i = 0; i < data.size(); ++i) {
    out += Hex(data[i], 2);
    used += 3;
    if (i + 1 < data.size()) {
      out += u',';
      if (used > 76) {
        out += u"\\\r\n  ";
        used = 2;
      }
    }
  }
  return out;
}

std::u16string ValueLine(const std::u16string& name, const RegValue& v) {
  std::u16string line;
  if (name.empty()) {
    line = u"@";
  } else {
    line = u"\"";
    for (char16_t c : name) {
      if (c == u'\\' || c == u'"') line += u'\\';
      line += c;
    }
    line += u"\"";
  }
  line += u'=';
  std::u16string textValue;
  if (AsQuotedText(v, &textValue)) {
    line += u'"';
    for (char16_t c : textValue) {
      if (c == u'\\' || c == u'"') line += u'\\';
      line += c;
    }
    line += u'"';
  } else if (v.type == 4 && v.data.size() == 4) {
    unsigned n = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<unsigned>(v.data[3]) << 24;
    line += u"dword:" + Hex(n, 8);
  } else {
    line += v.type == 3 ? std::u16string(u"hex:") : u"hex(" + Hex(v.type, 1) + u"):";
    line += HexList(v.data, line.size());
  }
  return line;
}

}  // namespace

std::vector<std::uint8_t> WriteRegExport(const RegistryContent& content, bool unicode, unsigned controlSet) {
  std::u16string all = unicode ? u"Windows Registry Editor Version 5.00\r\n" : u"REGEDIT4\r\n";
  auto key = [&](const std::u16string& path) { all += u"\r\n[HKEY_LOCAL_MACHINE\\" + path + u"]\r\n"; };
  for (const RegKey& k : content.Keys()) {
    key(ResolveControlSet(k.path, controlSet));
    for (const auto& v : k.values) all += ValueLine(v.first, v.second) + u"\r\n";
  }
  if (controlSet > 0) {
    key(u"SYSTEM\\Select");
    RegValue current;
    current.type = 4;
    for (int i = 0; i < 4; ++i) current.data.push_back(static_cast<std::uint8_t>(controlSet >> (8 * i)));
    all += ValueLine(u"Current", current) + u"\r\n";
  }
  std::vector<std::uint8_t> out;
  if (unicode) {
    out = {0xFF, 0xFE};
    const std::vector<std::uint8_t> units = codecs::EncodeUtf16Le(all);
    out.insert(out.end(), units.begin(), units.end());
  } else {
    for (char16_t c : all) out.push_back(codecs::ToWindows1252(c).value_or('?'));
  }
  return out;
}

}  // namespace tools
