// The page channel's requests and answers, as the page scripts write and
// read them.
#include "shell/page_api/page_api.h"

#include <gtest/gtest.h>

namespace vantile {
namespace {

TEST(PageApi, OnlyAWellFormedRequestIsTakenAndItsArgumentsReadSafely) {
  const std::pair<std::string, bool> requests[] = {
      {R"({"id":3,"name":"openFolder","args":{"sFolder":"/tmp"}})", true},
      {R"({"name":"openControlPanel"})", true},
      {R"({"name":"x","args":[1,2]})", true},  // arguments that are no object read as none
      {R"({"id":1,"args":{}})", false},
      {R"({"name":7})", false},
      {R"(["openFile"])", false},
      {R"({"name":"openFile",)", false},
      {"{\"name\":\"" + std::string(70 * 1024, 'a') + "\"}", false},
  };
  for (const auto& [text, taken] : requests) EXPECT_EQ(ParsePageRequest(text).has_value(), taken) << text.substr(0, 60);
  const auto request = ParsePageRequest(R"({"id":3,"name":"openFolder","args":{"sFolder":"/tmp"}})");
  EXPECT_EQ(request->id, 3u);
  EXPECT_EQ(TextArgument(request->args, "sFolder"), "/tmp");
  EXPECT_TRUE(ParsePageRequest(R"({"name":"x","args":[1,2]})")->args.is_object());

  const Json args = Json::parse(R"({"big":1e300,"neg":-3,"frac":2.9,"wide":4294967296,"text":"5"})");
  const std::pair<const char*, std::int32_t> numbers[] = {
      {"big", -1}, {"neg", -3}, {"frac", 2}, {"wide", -1}, {"text", -1}, {"missing", -1}};
  for (const auto& [name, value] : numbers) EXPECT_EQ(IntegerArgument(args, name, -1), value) << name;
}

TEST(PageApi, AnswersCarryTheirIdAndAreAlwaysValidJson) {
  EXPECT_EQ(Json::parse(AnswerText(4, PageAnswer::Value("/,/home/"))), Json::parse(R"({"id":4,"value":"/,/home/"})"));
  EXPECT_EQ(Json::parse(AnswerText(5, PageAnswer::Error("no"))), Json::parse(R"({"id":5,"error":"no"})"));
  // A file name from the page need not be UTF-8; the answer still parses.
  EXPECT_NO_THROW(Json::parse(AnswerText(6, PageAnswer::Value(std::string("caf\xE9")))));
}

}  // namespace
}  // namespace vantile
