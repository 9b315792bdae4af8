#include "core/event_kinds.h"

#include <cstring>
#include <gtest/gtest.h>

using core::EventKind;
using core::EventKindText;
using core::kEventKinds;

namespace {

TEST(EventKinds, TableHoldsTheFifteenKindsAndEndsWithCodeZero) {
  std::vector<int32_t> codes;
  const EventKind* kind = kEventKinds;
  for (; kind->code != 0; ++kind) codes.push_back(kind->code);
  EXPECT_EQ(codes, (std::vector<int32_t>{1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 20, 21, 30, 31, 50}));
  EXPECT_STREQ(kind->text, "");
}

TEST(EventKinds, TextsAreWindows1252Bytes) {
  EXPECT_STREQ(EventKindText(1), "Falta de rede");
  EXPECT_STREQ(EventKindText(6), "Desligamento for\xE7" "ado");
  EXPECT_EQ(std::strlen(EventKindText(6)), 20u);
  EXPECT_STREQ(EventKindText(7), "Usu\xE1rio cancelou");
  EXPECT_EQ(std::string(EventKindText(10)), std::string("In\xED") + "cio da monitora\xE7\xE3o");
  EXPECT_EQ(std::strlen(EventKindText(10)), 21u);
  EXPECT_STREQ(EventKindText(11), "T\xE9rmino da monitora\xE7\xE3o");
  EXPECT_STREQ(EventKindText(20), EventKindText(21));
  EXPECT_EQ(std::string(EventKindText(31)), std::string("Sa\xED") + "da de Bypass");
  EXPECT_EQ(std::strlen(EventKindText(31)), 15u);
  EXPECT_STREQ(EventKindText(50), "User Logon");
}

TEST(EventKinds, UnknownCodesHaveNoText) {
  for (int32_t code : {0, 3, 9, 13, 22, 49, 51, -1}) EXPECT_EQ(EventKindText(code), nullptr) << code;
}

}  // namespace
