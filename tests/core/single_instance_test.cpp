#include <gtest/gtest.h>

#include "app/single_instance.h"

namespace gw {
namespace {

TEST(SingleInstance, OneKeyPerCharacterFileHoweverItIsSpelt) {
  const auto key = InstanceKey(u"C:\\Users\\Ann\\AppData\\Roaming\\Glyphwell\\Characters.json");
  EXPECT_EQ(InstanceKey(u"c:/users/ANN/AppData//Roaming\\glyphwell\\characters.JSON"), key);
  EXPECT_EQ(InstanceKey(u"C:\\USERS\\\u00C4NN\\Characters.json"),
            InstanceKey(u"C:\\Users\\\u00E4nn\\Characters.json"));
  // A portable copy's table is another file: another copy may run on it.
  EXPECT_NE(InstanceKey(u"D:\\Tools\\Glyphwell\\Characters.json"), key);
  EXPECT_NE(InstanceKey(u"C:\\Users\\Bob\\AppData\\Roaming\\Glyphwell\\Characters.json"), key);

  // Any path gives a short name of the session's own namespace.
  const Text name = InstanceMutexName(InstanceKey(Text(32000, u'x')));
  EXPECT_EQ(name.rfind(u"Local\\Glyphwell-", 0), 0u);
  EXPECT_EQ(name.size(), 16u + 16u);
  EXPECT_EQ(name.find(u'\\', 6), Text::npos);
}

}  // namespace
}  // namespace gw
