#include "core/event_kind_table.h"

#include <cstring>
#include <gtest/gtest.h>

using core::ByDaemonText;
using core::ByFileCode;
using core::ByHistoryCode;
using core::Event;
using core::FileCode;
using core::Info;
using core::EventKindInfo;
using core::EventKinds;
using core::EventKindText;

namespace {

TEST(EventKinds, TableHoldsTheFifteenKindsAndEndsWithCodeZero) {
  std::vector<int32_t> codes;
  for (const EventKindInfo& kind : EventKinds())
    if (kind.file_code != 0) codes.push_back(kind.file_code);
  EXPECT_EQ(codes, (std::vector<int32_t>{1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 20, 21, 30, 31, 50}));
  // Code 0 ends the file's kinds: no kind of the file has it.
  EXPECT_EQ(ByFileCode(0), nullptr);
  for (const EventKindInfo& kind : EventKinds())
    EXPECT_EQ(kind.file_code == 0, kind.file_text == nullptr) << kind.slug;
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

TEST(EventKinds, EachCodeAndDaemonTextLeadsBackToItsOneKind) {
  for (const EventKindInfo& kind : EventKinds()) {
    ASSERT_NE(ByHistoryCode(kind.history_code), nullptr) << kind.slug;
    EXPECT_EQ(ByHistoryCode(kind.history_code)->event, kind.event) << kind.slug;
    if (kind.file_code != 0) EXPECT_EQ(ByFileCode(kind.file_code)->event, kind.event) << kind.slug;
    if (kind.file_code != 0) EXPECT_EQ(kind.history_code, kind.file_code) << kind.slug;
    if (kind.daemon_text) EXPECT_EQ(ByDaemonText(kind.daemon_text)->event, kind.event) << kind.slug;
    EXPECT_NE(kind.page_text, nullptr);
    EXPECT_NE(kind.slug, nullptr);
  }
  // The daemon's log lines as it writes them, capitals included; a line
  // that differs by a letter is no kind.
  EXPECT_EQ(ByDaemonText("Falta de Rede")->history_code, 1);
  EXPECT_EQ(ByDaemonText("Desligamento iniciado")->history_code, 5);
  EXPECT_EQ(ByDaemonText("Problemas na comunicacao. Verifique o cabo serial")->history_code, 102);
  EXPECT_EQ(ByDaemonText("Falta de rede"), nullptr);
  EXPECT_EQ(ByDaemonText(""), nullptr);
  EXPECT_EQ(ByHistoryCode(0), nullptr);
  EXPECT_EQ(ByHistoryCode(106), nullptr);
  EXPECT_EQ(FileCode(Event::UserLogon), 50);
  EXPECT_EQ(FileCode(Event::SignalFault), 0);
  EXPECT_STREQ(Info(Event::AutonomyEndAgain).slug, "autonomy_end");
}

}  // namespace
