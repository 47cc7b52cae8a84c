// The generated registry: the image gets both control sets and a device-class
// key per OEM INF; the copy for Wine must leave Wine's service manager alone
// (every service disabled) and keep to CurrentControlSet.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "bench/gen/server_registry.h"
#include "platform/text.h"

namespace {

const tools::RegValue* Find(const tools::RegKey& key, std::u16string_view name) {
  for (const auto& v : key.values)
    if (text::EqualsNoCaseAZ(v.first, name)) return &v.second;
  return nullptr;
}

bool StartsWith(const std::u16string& path, std::u16string_view prefix) {
  return path.size() >= prefix.size() &&
         text::EqualsNoCaseAZ(std::u16string_view(path).substr(0, prefix.size()), prefix);
}

struct Counts {
  std::set<std::u16string> currentServices, lastKnownGoodServices;
  int classKeys = 0;
  int enabledServices = 0;
};

Counts Count(bench::RegistryFor target, const bench::ServerPlan& plan, const bench::ServerOptions& options) {
  tools::RegistryContent content;
  bench::FillRegistry(plan, options, target, &content);
  Counts c;
  constexpr std::u16string_view kCurrent = u"SYSTEM\\CurrentControlSet\\Services\\";
  constexpr std::u16string_view kLastKnownGood = u"SYSTEM\\ControlSet002\\Services\\";
  for (const tools::RegKey& key : content.Keys()) {
    for (auto [prefix, names] : {std::pair{kCurrent, &c.currentServices}, {kLastKnownGood, &c.lastKnownGoodServices}}) {
      if (!StartsWith(key.path, prefix) || key.path.find(u'\\', prefix.size()) != std::u16string::npos) continue;
      names->insert(key.path.substr(prefix.size()));
      const tools::RegValue* start = Find(key, u"Start");
      if (start && start->data != std::vector<std::uint8_t>{4, 0, 0, 0}) ++c.enabledServices;
    }
    if (StartsWith(key.path, u"SYSTEM\\CurrentControlSet\\Control\\Class\\") && Find(key, u"InfPath")) ++c.classKeys;
  }
  return c;
}

TEST(ServerRegistry, ImageAndWineCopy) {
  bench::ServerOptions options;
  options.oemInfs = 25;
  options.inboxInfs = 2;
  options.services = 40;
  options.system32Files = 2;
  const bench::ServerPlan plan = bench::MakePlan(options);

  const Counts image = Count(bench::RegistryFor::Image, plan, options);
  EXPECT_EQ(image.currentServices.size(), 40u);
  EXPECT_EQ(image.lastKnownGoodServices, image.currentServices);
  EXPECT_EQ(image.classKeys, 25);
  EXPECT_GT(image.enabledServices, 0);
  for (const char16_t* tool : {u"elxstor", u"ql2300", u"vexa2300", u"ZOLVANTA", u"Lpxnds", u"Tarn_Service"})
    EXPECT_EQ(image.currentServices.count(tool), 1u) << text::ToUtf8(tool);

  const Counts wine = Count(bench::RegistryFor::Wine, plan, options);
  EXPECT_EQ(wine.currentServices, image.currentServices);
  EXPECT_TRUE(wine.lastKnownGoodServices.empty());
  EXPECT_EQ(wine.classKeys, 0);
  EXPECT_EQ(wine.enabledServices, 0);
}

}  // namespace
