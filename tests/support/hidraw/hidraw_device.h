// A USB UPS as the hidraw shim (hidraw_shim.cpp, preloaded into the program
// under test with VIGIL_HIDRAW_ROOT set to root()) shows it: a report
// descriptor, an identity in sysfs, feature reports the program asks for
// and input reports the test sends. It is unplugged and plugged back as a
// USB device is: unplugging closes every reader's connection (their reads
// fail with EIO, their ioctls with ENODEV) and removes the node and its
// sysfs entry; plugging makes them again, under any hidraw number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HidrawDevice {
 public:
  struct Identity {
    uint16_t bus = 0x0003;  // USB
    uint16_t vendor = 0;
    uint16_t product = 0;
    std::string name;
    std::string serial;
  };

  // Makes the folders under `root` (which must exist); unplugged until Plug.
  // Throws on failure.
  HidrawDevice(std::string root, Identity identity, std::vector<uint8_t> descriptor);
  ~HidrawDevice();
  HidrawDevice(const HidrawDevice&) = delete;
  HidrawDevice& operator=(const HidrawDevice&) = delete;

  const std::string& root() const { return root_; }
  // "/dev/hidrawN" while plugged; empty while unplugged.
  std::string node() const;
  bool plugged() const { return number_ >= 0; }

  // Throws on failure.
  void Plug(int number);
  void Unplug();

  // Sends one input report (id byte first when the descriptor has ids) to
  // every program that has the node open; returns to how many.
  int SendInput(const std::vector<uint8_t>& report);
  // The feature report of id report[0] that the UPS answers from now on,
  // set while plugged or not; Forget makes it one the UPS never answers.
  void SetFeature(const std::vector<uint8_t>& report);
  void ForgetFeature(uint8_t id);

 private:
  void AcceptWaiting();
  void WriteModel();
  std::string ModelFolder() const;

  std::string root_;
  Identity identity_;
  std::vector<uint8_t> descriptor_;
  std::vector<std::vector<uint8_t>> features_;  // by id, empty: not answered
  int number_ = -1;
  int listener_ = -1;            // owned
  std::vector<int> connections_;  // owned
};

// Starts the calling test program again with `shim` preloaded (and
// AddressSanitizer told that the shim comes before it), unless it already
// is. Returns only in the program that has the shim; a failed start ends
// the program with status 1.
void RunWithHidrawShim(char** argv, const char* shim);
