// The notifications apart from the network: their settings, the outbox's
// file and its order across a reopening, the bursts of a flapping line,
// the retry delays and what the messages say.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "web/history_events.h"
#include "web/notify/burst.h"
#include "web/notify/notice_text.h"
#include "web/notify/outbox.h"
#include "web/web_settings.h"
#include "web_test_support.h"

namespace web {
namespace {

using web_test::TempFolder;

TEST(NotifySettings, ReadsBothChannelsAndTheirChoices) {
  WebSettings s;
  std::string error;
  ASSERT_TRUE(ParseWebConfig("MAIL_SERVER smtp://mail.exemplo.com.br:587\n"
                             "MAIL_LOGIN avisos \"se nha\"\n"
                             "MAIL_FROM vigil@exemplo.com.br\n"
                             "MAIL_TO a@exemplo.com.br b@exemplo.com.br\n"
                             "MAIL_EVENTS mains_failure mains_return\n"
                             "MAIL_STATIONS posto7\n"
                             "WEBHOOK_URL https://ntfy.exemplo.com.br/vigil\n"
                             "WEBHOOK_HEADER \"Authorization: Bearer abc\"\n"
                             "NOTIFY_KEEP 12\nNOTIFY_RETRY 2 60\nNOTIFY_WINDOW 5\n",
                             &s, &error))
      << error;
  EXPECT_EQ(s.notify.mail.url, "smtp://mail.exemplo.com.br:587");
  EXPECT_EQ(s.notify.mail.password, "se nha");
  EXPECT_EQ(s.notify.mail.to.size(), 2u);
  EXPECT_TRUE(s.notify.mail.filter.Wants("posto7", kEventMainsFailure));
  EXPECT_FALSE(s.notify.mail.filter.Wants("posto8", kEventMainsFailure));
  EXPECT_FALSE(s.notify.mail.filter.Wants("posto7", kEventSilent));
  // The webhook keeps the default kinds, for every station.
  EXPECT_TRUE(s.notify.webhook.filter.Wants("qualquer", kEventSilent));
  EXPECT_TRUE(s.notify.webhook.filter.Wants("qualquer", kEventBatteryCritical));
  EXPECT_FALSE(s.notify.webhook.filter.Wants("qualquer", kEventBypassOn));
  EXPECT_EQ(s.notify.webhook.headers[0], "Authorization: Bearer abc");
  EXPECT_EQ(s.notify.keepHours, 12);
  EXPECT_EQ(s.notify.retryMinSeconds, 2);
  EXPECT_EQ(s.notify.retryMaxSeconds, 60);
  EXPECT_EQ(s.notify.windowSeconds, 5);
  EXPECT_TRUE(s.notify.HoldsSecrets());
}

TEST(NotifySettings, RefusesWhatCannotWork) {
  const char* bad[] = {
      "MAIL_SERVER http://x\nMAIL_FROM a@b\nMAIL_TO c@d\n",
      "MAIL_SERVER smtp://x\nMAIL_FROM a@b\n",                // nobody to send to
      "MAIL_SERVER smtp://x\nMAIL_TO c@d\n",                  // no sender
      "MAIL_TO c@d\n",                                        // no server
      "MAIL_EVENTS mains_failure nonsense\n",
      "MAIL_TLS maybe\n",
      "WEBHOOK_STATIONS\n",
      "MAIL_LOGIN onlyuser\n",
      "WEBHOOK_URL ftp://x\n",
      "WEBHOOK_URL \"http://x/a b\"\n",
      "WEBHOOK_URL http://x\nWEBHOOK_HEADER \"no colon\"\n",
      "WEBHOOK_HEADER \"A: b\"\n",                            // no URL
      "NOTIFY_RETRY 10 5\n",                                  // most below least
      "NOTIFY_KEEP 0\n",
      "NOTIFY_WINDOW 99999\n",
  };
  for (const char* text : bad) {
    WebSettings s;
    std::string error;
    EXPECT_FALSE(ParseWebConfig(text, &s, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(OutboxRecord, ComesBackWholeAndRefusesCutFlippedAndOverlong) {
  OutboxRecord record{1765400000123, "Subject: falta\r\n\r\nEsta\xC3\xA7\xC3\xA3o posto7\r\n"};
  std::string bytes = EncodeOutboxRecord(record);
  std::optional<OutboxRecord> back = DecodeOutboxRecord(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->createdMs, record.createdMs);
  EXPECT_EQ(back->payload, record.payload);

  for (size_t cut = 0; cut < bytes.size(); ++cut) EXPECT_FALSE(DecodeOutboxRecord(bytes.substr(0, cut))) << cut;
  for (size_t at = 0; at < bytes.size(); ++at)
    for (int bit : {0, 5}) {
      std::string flipped = bytes;
      flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
      std::optional<OutboxRecord> read = DecodeOutboxRecord(flipped);
      // A flip in the header's created time still reads, but never as the
      // same record with another text.
      if (read) {
        EXPECT_EQ(read->payload, record.payload) << at;
      }
    }
  EXPECT_FALSE(DecodeOutboxRecord(bytes + "x"));
  OutboxRecord huge{1, std::string(kOutboxPayloadMax + 1, 'a')};
  EXPECT_FALSE(DecodeOutboxRecord(EncodeOutboxRecord(huge)));
  EXPECT_FALSE(DecodeOutboxRecord(std::string(1000, '9')));
  EXPECT_FALSE(DecodeOutboxRecord("VN1 -5 1 0000000000000000\nx"));
}

TEST(Outbox, KeepsOrderAcrossAReopeningAndSetsAsideADamagedFile) {
  TempFolder folder;
  std::string error, aside;
  {
    Outbox box(folder / "mail");
    ASSERT_TRUE(box.Open(&error, &aside)) << error;
    for (int i = 1; i <= 5; ++i) ASSERT_TRUE(box.Put({1000 + i, "m" + std::to_string(i)}, &error)) << error;
    std::optional<Outbox::Head> head = box.Oldest(&aside);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->record.payload, "m1");
    ASSERT_TRUE(box.Remove(head->number, &error));
  }
  // The third is damaged on the disk, and a write a crash cut short lies there.
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "mail")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 4u);
  std::ofstream(files[1], std::ios::binary | std::ios::trunc) << "VN1 1003 2 00";
  std::ofstream(folder / "mail/00000000000000000099.msg.part") << "half";

  Outbox box(folder / "mail");
  ASSERT_TRUE(box.Open(&error, &aside)) << error;
  EXPECT_NE(aside.find(files[1].filename().string()), std::string::npos) << aside;
  EXPECT_TRUE(std::filesystem::exists(files[1].string() + ".bad"));
  EXPECT_FALSE(std::filesystem::exists(folder / "mail/00000000000000000099.msg.part"));
  EXPECT_EQ(box.Count(), 3u);
  EXPECT_EQ(box.OldestCreatedMs().value_or(0), 1002);
  ASSERT_TRUE(box.Put({1006, "m6"}, &error));
  std::vector<std::string> order;
  while (std::optional<Outbox::Head> head = box.Oldest(&aside)) {
    order.push_back(head->record.payload);
    ASSERT_TRUE(box.Remove(head->number, &error));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"m2", "m4", "m5", "m6"}));
  EXPECT_FALSE(box.OldestCreatedMs());
}

TEST(Outbox, RefusesAMessageTooLong) {
  TempFolder folder;
  std::string error, aside;
  Outbox box(folder / "w");
  ASSERT_TRUE(box.Open(&error, &aside));
  EXPECT_FALSE(box.Put({1, std::string(kOutboxPayloadMax + 1, 'x')}, &error));
  EXPECT_EQ(box.Count(), 0u);
}

TEST(BurstGatherer, SendsTheFirstAtOnceAndAFloodInBoundedBursts) {
  BurstGatherer gatherer(30000);
  StationFacts facts;
  Burst first = gatherer.Add("posto7", {kEventMainsFailure, 1}, facts, 0);
  ASSERT_EQ(first.events.size(), 1u);
  EXPECT_EQ(first.events[0].kind, kEventMainsFailure);
  // Another station is not held back by the first one's window.
  EXPECT_EQ(gatherer.Add("posto8", {kEventMainsFailure, 1}, facts, 10).events.size(), 1u);

  // A line that flaps every 100 ms for ten minutes.
  size_t messages = 1, events = 1, told = 1;
  for (int64_t t = 100; t <= 600000; t += 100) {
    ++events;
    Burst now = gatherer.Add("posto7", {t % 200 ? kEventMainsReturn : kEventMainsFailure, t}, facts, t);
    if (!now.events.empty()) ++messages, told += now.events.size() + now.left;
    for (const Burst& due : gatherer.Due(t)) {
      if (due.station != "posto7") continue;
      ++messages;
      told += due.events.size() + due.left;
      EXPECT_LE(due.events.size(), kBurstEventsMax);
    }
  }
  for (const Burst& due : gatherer.Due(700000))
    if (due.station == "posto7") ++messages, told += due.events.size() + due.left;
  EXPECT_LE(messages, 600000 / 30000 + 2u);
  EXPECT_GE(messages, 600000 / 30000u);
  // Every event is in a message, shown or counted.
  EXPECT_EQ(told, events);
  // Quiet for a window: the next event goes at once again.
  EXPECT_EQ(gatherer.Add("posto7", {kEventMainsFailure, 1}, facts, 800000).events.size(), 1u);
}

TEST(NoticeText, SaysStationEventTimeAndAutonomyInPortuguese) {
  Burst burst{"posto7", {{kEventMainsFailure, 1765400000000}, {kEventMainsReturn, 1765400005000}}, 0, {}};
  burst.facts.known = true;
  burst.facts.mains_failure = true;
  burst.facts.autonomy_left_s = 590;
  burst.facts.time_on_battery_s = 10;
  std::string text = NoticeText(burst);
  EXPECT_NE(text.find("Esta\xC3\xA7\xC3\xA3o: posto7"), std::string::npos) << text;
  EXPECT_NE(text.find(EventText(kEventMainsFailure)), std::string::npos) << text;
  EXPECT_NE(text.find(EventText(kEventMainsReturn)), std::string::npos) << text;
  EXPECT_NE(text.find(LocalStamp(1765400000000)), std::string::npos) << text;
  EXPECT_NE(text.find("Autonomia restante: 9 min 50 s"), std::string::npos) << text;
  EXPECT_NE(text.find("Tempo em bateria: 10 s"), std::string::npos) << text;
  // What the UPS does not measure is not made up.
  EXPECT_EQ(text.find("Carga"), std::string::npos) << text;
  burst.facts.charge_percent = 80;
  EXPECT_NE(NoticeText(burst).find("Carga da bateria: 80%"), std::string::npos);

  std::string mail = MailMessage(burst, "vigil@x.br", {"a@x.br", "b@x.br"}, 1765400000000, "1.2");
  EXPECT_EQ(mail.find("\n"), mail.find("\r\n") + 1);  // CRLF line ends
  EXPECT_NE(mail.find("To: a@x.br, b@x.br\r\n"), std::string::npos);
  EXPECT_NE(mail.find("Subject: Vigil 2.0: posto7 - Falta de rede, Retorno da rede\r\n"), std::string::npos) << mail;
  // A subject beyond ASCII goes as an encoded word.
  Burst far = burst;
  far.station = "S\xC3\xA3o Paulo";
  EXPECT_NE(MailMessage(far, "a@x.br", {"b@x.br"}, 0, "1").find("Subject: =?UTF-8?B?"), std::string::npos);
  EXPECT_NE(mail.find("Message-ID: <1.2@vigil-web>"), std::string::npos);
  EXPECT_NE(mail.find("Date: Wed, 10 Dec 2025 20:53:20 +0000\r\n"), std::string::npos) << mail;

  nlohmann::json doc = nlohmann::json::parse(WebhookJson(burst));
  EXPECT_EQ(doc["station"], "posto7");
  EXPECT_EQ(doc["events"].size(), 2u);
  EXPECT_EQ(doc["events"][0]["kind"], "mains_failure");
  EXPECT_EQ(doc["autonomy_left_s"], 590);
  EXPECT_EQ(doc["charge_percent"], 80);
  EXPECT_FALSE(doc.contains("runtime_s"));
}

TEST(NoticeText, AStationNameOfAnyBytesMakesValidJson) {
  Burst burst{std::string("p\xff\x01\"o"), {{kEventSilent, 1}}, 3, {}};
  nlohmann::json doc = nlohmann::json::parse(WebhookJson(burst));
  EXPECT_EQ(doc["more_events"], 3);
  EXPECT_NE(NoticeText(burst).find("e mais 3 eventos"), std::string::npos);
}

}  // namespace
}  // namespace web
