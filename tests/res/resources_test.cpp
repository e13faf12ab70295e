// What install.exe holds as a whole: the kinds of resources, all in Russian.
#include <gtest/gtest.h>

#include <set>

#include "tests/res/install_resources.h"

namespace {

TEST(Resources, AreAllRussian) {
  const std::vector<ResourceEntry> entries = ListResources();
  EXPECT_FALSE(entries.empty());
  for (const ResourceEntry& entry : entries)
    EXPECT_EQ(entry.language, kRussianLanguage)
        << "resource type " << testing::PrintToString(entry.type) << " name "
        << testing::PrintToString(entry.name);
}

TEST(Resources, AreOfTheExpectedKindsOnly) {
  const std::set<std::wstring> expected = {ResourceLabel(RT_STRING), ResourceLabel(RT_DIALOG),
                                           ResourceLabel(RT_BITMAP), ResourceLabel(RT_GROUP_ICON),
                                           ResourceLabel(RT_ICON),   ResourceLabel(RT_MANIFEST)};
  std::set<std::wstring> types;
  for (const ResourceEntry& entry : ListResources()) types.insert(entry.type);
  EXPECT_EQ(types, expected);
}

}  // namespace
