#include <string>

#include <gtest/gtest.h>

#include "dllfix/EmailAddress.h"

TEST(EmailAddress, SyntaxOfTheFeedbackForm) {
  struct Case {
    std::string address;
    bool valid;
    const char* why;
  };
  const Case kCases[] = {
      {"qzx@example.org", true, "plain"},
      {"a@b.c", true, "one letter, at, one letter, dot, one letter"},
      {"a..b@example.org", true, "two dots in a row pass in the local part"},
      {"first.last+tag@mail.example.org", true, "dots and plus in the local part"},
      {"\"john smith\"@example.org", true, "quoted local part"},
      {"a.\"b c\"@example.org", true, "quoted after a dot"},
      {"\"a\\ b\"@example.org", true, "escaped blank in quotes"},
      {"ab\"c\"@example.org", false, "quote in the middle of a word"},
      {"\"abc@example.org", false, "unterminated quote"},
      {"\"abc\"x@example.org", false, "text after the closing quote"},
      {"@example.org", false, "empty local part"},
      {"qzx.@example.org", false, "local part ends with a dot"},
      {"qzx@", false, "empty domain"},
      {"qzx@localhost", false, "domain without a dot"},
      {"qzx@.example.org", false, "domain starts with a dot"},
      {"qzx@example..org", false, "two dots in a row"},
      {"q zx@example.org", false, "blank outside quotes"},
      {"q(z)x@example.org", false, "special characters"},
      {"qzx@exa[mple.org", false, "special character in the domain"},
      {"qz\xE9x@example.org", false, "byte above 127"},
      {"qzx", false, "no at sign"},
      {"qzx@a@example.org", false, "second at sign"},
      {std::string(247, 'a') + "@example.org", true, "259 bytes"},
      {std::string(248, 'a') + "@example.org", false, "260 bytes no longer fit the form's buffer"},
      {std::string(5000, 'a') + "@example.org", false, "far longer than the buffer"},
  };
  for (const auto& c : kCases) EXPECT_EQ(IsValidEmailAddress(c.address.c_str()) != FALSE, c.valid) << c.why;
  EXPECT_FALSE(IsValidEmailAddress(nullptr));
}
