// The page of a computer that hears the LAN and reads its own record:
// vigil-web's Site over a fresh history in a temporary folder, its clocks
// the test's own (moved by Hear), the own record a list the test fills.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "web/history_recorder.h"
#include "web/site.h"
#include "web_test_support.h"

namespace web_test {

// The tests' "now", in Unix milliseconds.
inline constexpr int64_t kT0 = 1765000000000;

// How often `needle` stands in `text`.
inline int Count(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

// This computer's own record: whatever the list holds when it is read.
class ListedOwnEvents : public web::OwnEventSource {
 public:
  explicit ListedOwnEvents(const std::vector<web::OwnEvent>* events) : events_(events) {}
  std::vector<web::OwnEvent> ReadAll() const override { return *events_; }
  std::string Describe() const override { return "listed"; }

 private:
  const std::vector<web::OwnEvent>* events_;
};

struct PageFixture : ::testing::Test {
  TempFolder folder;
  web::HistoryStore store{folder.path()};
  web::StationBoard board{""};
  web::HistoryRecorder recorder{store, nullptr, [this](const std::string& s, int k, int64_t ms) {
                                  board.CountEvent(s, k, web::EventOrigin::kLan, ms);
                                }};
  std::vector<web::OwnEvent> ownEvents;
  std::vector<std::unique_ptr<web::OwnEventSource>> own;
  int64_t mono = 100000, unix = kT0;  // milliseconds, as the site's clocks read them
  std::unique_ptr<web::Site> site;

  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store.Open(&error)) << error;
    own.push_back(std::make_unique<ListedOwnEvents>(&ownEvents));
    site = std::make_unique<web::Site>(board, store, own,
                                       web::SiteClock{[this] { return mono; }, [this] { return unix; }});
  }

  // The datagram `d` heard at Unix time `at`, as the program takes it.
  void Hear(const core::LanDatagram& d, int64_t at) {
    auto bytes = Bytes(d);
    mono = 100000 + (at - kT0);
    unix = at;
    if (auto taken = board.Take(bytes.data(), bytes.size(), mono, unix))
      recorder.OnDatagram(taken->name, taken->datagram, unix);
  }
};

}  // namespace web_test
