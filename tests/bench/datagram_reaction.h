// The benchmarks' reaction rounds: from a change of the mains at a vigil20
// server to the first datagram at a listening peer that tells it.
#pragma once

#include <chrono>
#include <thread>
#include <vector>

#include "../daemon_fixture.h"

// Milliseconds since the epoch: the clock the datagram listener writes.
inline long long WallMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// `changes` rounds, the mains failing in even ones and back in odd ones
// (`make_change(failing)` makes it happen at the server). Each round waits
// a little more than the one before, so that the changes fall at every
// phase of the server's poll. The milliseconds of each round that a
// datagram told within 5 s, in round order.
template <typename MakeChange>
std::vector<long long> DatagramReactionRounds(const Sandbox& peer, int changes, MakeChange make_change) {
  std::vector<long long> ms;
  for (int i = 0; i < changes; ++i) {
    bool failing = i % 2 == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500 + 37 * i));
    long long start = WallMs();
    make_change(failing);
    long long arrival = FirstDatagramAt(peer, start, failing ? 1 : 0, 5000);
    if (arrival >= 0) ms.push_back(arrival - start);
  }
  return ms;
}
