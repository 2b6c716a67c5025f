// What the option windows show and accept: tone, mode and shift texts, the
// rotator read-out and the check of a CW text memory.
#include <gtest/gtest.h>

#include <string>

#include "app/OptionTexts.h"

namespace hrx {
namespace {

TEST(OptionTexts, RepeaterTexts) {
  struct Case {
    const char* (*fn)(std::int32_t);
    std::int32_t v;
    const char* text;
  };
  const Case cases[] = {
      {toneText, 0, "67.0 Hz"},   {toneText, 12, "100.0 Hz"},         {toneText, 26, "159.8 Hz"},
      {toneText, 49, "254.1 Hz"}, {toneText, 50, "?????"},            {toneText, -1, "?????"},
      {ctcssModeText, 0, "OFF"},  {ctcssModeText, 2, "Tone Encoder"}, {ctcssModeText, 3, ""},
      {ctcssModeText, 4, "?????"}, {shiftText, 2, "Minus Shift"},     {shiftText, 3, ""}, {shiftText, -3, "?????"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.fn(c.v), c.text) << c.v;
}

TEST(OptionTexts, RotatorReadOut) {
  EXPECT_EQ(rotatorDirection(400).degrees, 40);
  EXPECT_TRUE(rotatorDirection(360).overlap);
  EXPECT_EQ(rotatorDirection(360).degrees, 0);
  EXPECT_FALSE(rotatorDirection(359).overlap);
  EXPECT_EQ(rotatorSpeedText(100), "100%");
}

TEST(OptionTexts, CwTextCheck) {
  struct Case {
    std::string text;
    CwTextCheck check;
  };
  const Case cases[] = {
      {std::string(50, 'E'), CwTextCheck::Ok}, {"~!@#$%^&*()_+{}|:\"<>?", CwTextCheck::Ok}, {"", CwTextCheck::Empty},
      {std::string(51, 'E'), CwTextCheck::TooLong}, {"CQ;FA14250000", CwTextCheck::Semicolon},
      {std::string("CQ\0DE", 5), CwTextCheck::NotPrintable}, {"CQ\x7F", CwTextCheck::NotPrintable},
      {"CQ \xC3\xA9", CwTextCheck::NotPrintable},
  };
  for (const Case& c : cases) EXPECT_EQ(checkCwText(c.text), c.check) << c.text;
  EXPECT_STREQ(cwTextMessage(CwTextCheck::Semicolon), "A CW text cannot contain ';'.");
  EXPECT_STREQ(cwTextMessage(CwTextCheck::Ok), "");
  EXPECT_STREQ(cwTextMessage(CwTextCheck::TooLong), "");
}

}  // namespace
}  // namespace hrx
