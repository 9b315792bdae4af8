// vigil-peek: prints the daemon's shared block (key 6666) as one line,
// "start running stop pf bl bp cf ao total base left dt paused name", for
// tests that watch the autonomy figures. Read-only; status 1 without a block.
#include <cstdio>
#include <string>
#include <sys/shm.h>

int main() {
  int id = shmget(6666, 52, 0);
  if (id < 0) return 1;
  void* at = shmat(id, nullptr, SHM_RDONLY);
  if (at == reinterpret_cast<void*>(-1)) return 1;
  const auto* b = static_cast<const unsigned char*>(at);
  auto get16 = [&](int offset) { return (b[offset] << 8) | b[offset + 1]; };
  std::string name(reinterpret_cast<const char*>(b + 19), 33);
  name.resize(name.find('\0') == std::string::npos ? 33 : name.find('\0'));
  std::printf("%d %d %d %d %d %d %d %d %d %d %d %d %d %s\n", b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], get16(9),
              get16(11), get16(13), get16(15), b[17], name.c_str());
  shmdt(at);
  return 0;
}
