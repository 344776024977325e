#include <gtest/gtest.h>

#include "shell/gtk/page_scripts.h"

namespace vantile {
namespace {

TEST(ExternalScript, CarriesTheTokenAndAsksTheDrivesQuestionItAnswersTo) {
  const std::string token = "00112233445566778899aabbccddeeff";
  const std::string script = ExternalScript(token);
  EXPECT_EQ(script.find('@'), std::string::npos) << "every placeholder is filled";
  EXPECT_NE(script.find("\"" + token + "\""), std::string::npos);
  EXPECT_NE(script.find(std::string("handlers.") + kExternalChannel), std::string::npos);
  // The question in the script, once JavaScript reads its \u0001 escape, is
  // exactly the one the browser accepts.
  const std::string question = DrivesQuestion(token);
  EXPECT_EQ(question.rfind(kDrivesQuestionMarker, 0), 0u);
  EXPECT_NE(script.find("\\u0001" + question.substr(1)), std::string::npos);
  EXPECT_NE(script.find("location.protocol !== \"file:\""), std::string::npos);
  EXPECT_NE(script.find("window.top !== window"), std::string::npos);
}

}  // namespace
}  // namespace vantile
