#include <gtest/gtest.h>

#include "shell/gtk/page_scripts.h"

namespace vantile {
namespace {

TEST(PageBridge, TheTokenLivesOnlyInTheIsolatedWorldsScript) {
  const std::string token = "00112233445566778899aabbccddeeff";
  const std::string external = ExternalScript();
  const std::string bridge = BridgeScript(token);
  EXPECT_EQ(external.find(token), std::string::npos);
  EXPECT_EQ(external.find(kExternalChannel), std::string::npos) << "the page's world never names the channel";
  for (const std::string& script : {external, bridge, LinkWatchScript()}) {
    EXPECT_EQ(script.find('@'), std::string::npos) << "every placeholder is filled";
    EXPECT_NE(script.find("\"use strict\""), std::string::npos);
  }
  EXPECT_NE(bridge.find("\"" + token + "\""), std::string::npos);
  EXPECT_NE(bridge.find(std::string("handlers.") + kExternalChannel), std::string::npos);
  // The question, once JavaScript reads its \u0001 escape, is exactly the one
  // the browser accepts.
  const std::string question = DrivesQuestion(token);
  EXPECT_EQ(question.rfind(kDrivesQuestionMarker, 0), 0u);
  EXPECT_NE(bridge.find("\\u0001" + std::string(kDrivesQuestionMarker.substr(1)) + "\" + token + \"" +
                        question.substr(kDrivesQuestionMarker.size() + token.size())),
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
