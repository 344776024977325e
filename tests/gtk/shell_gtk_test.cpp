#include <gtest/gtest.h>

#include "shell/gtk/webkit/page_scripts.h"
#include "shell/page_api/page_api.h"

namespace vantile {
namespace {

TEST(PageBridge, TheTokenLivesOnlyInTheIsolatedWorldsScript) {
  const std::string token = "00112233445566778899aabbccddeeff";
  const std::string external = PageWorldScript();
  const std::string bridge = BridgeScript(token);
  EXPECT_EQ(external.find(token), std::string::npos);
  EXPECT_EQ(external.find(kPageChannel), std::string::npos) << "the page's world never names the channel";
  for (const std::string& script : {external, bridge, LinkWatchScript()}) {
    EXPECT_EQ(script.find("@TOKEN@"), std::string::npos) << "the placeholder is filled";
    EXPECT_NE(script.find("\"use strict\""), std::string::npos);
  }
  EXPECT_NE(bridge.find("\"" + token + "\""), std::string::npos);
  // The names the scripts use are the ones the browser listens on.
  EXPECT_NE(bridge.find(std::string("handlers.") + kPageChannel), std::string::npos);
  EXPECT_NE(LinkWatchScript().find(std::string("handlers.") + kLinksChannel), std::string::npos);
  // The question, once JavaScript reads its \u0001 escape, starts with the
  // marker the browser accepts.
  EXPECT_NE(bridge.find("\"\\u0001" + std::string(kAtOnceMarker.substr(1)) + "\" + token + \":\""),
            std::string::npos);
}

TEST(PageBridge, WithoutRandomNumbersThereIsNoToken) {
  EXPECT_EQ(MakeBridgeToken([](unsigned char*, std::size_t) -> std::size_t { return 0; }), std::nullopt);
  EXPECT_EQ(MakeBridgeToken([](unsigned char*, std::size_t size) { return size - 1; }), std::nullopt);
  const auto token = MakeBridgeToken([](unsigned char* buffer, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) buffer[i] = static_cast<unsigned char>(0xA0 + i);
    return size;
  });
  EXPECT_EQ(token, "a0a1a2a3a4a5a6a7a8a9aaabacadaeaf");
  EXPECT_EQ(MakeBridgeToken(SystemRandomBytes)->size(), 32u);
}

}  // namespace
}  // namespace vantile
