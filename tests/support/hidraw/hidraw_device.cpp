#include "hidraw_device.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error("hidraw device: " + what + ": " + std::strerror(errno));
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  // Written beside and renamed, so that a reader never sees half of it.
  fs::path part = path.string() + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) Fail("cannot write " + part.string());
  }
  fs::rename(part, path);
}

std::string Hex4(uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", v);
  return text;
}

}  // namespace

HidrawDevice::HidrawDevice(std::string root, Identity identity, std::vector<uint8_t> descriptor)
    : root_(std::move(root)), identity_(std::move(identity)), descriptor_(std::move(descriptor)), features_(256) {
  fs::create_directories(root_ + "/dev");
  fs::create_directories(root_ + "/sys/class/hidraw");
  fs::create_directories(root_ + "/model");
}

HidrawDevice::~HidrawDevice() { Unplug(); }

std::string HidrawDevice::node() const { return number_ < 0 ? "" : "/dev/hidraw" + std::to_string(number_); }

std::string HidrawDevice::ModelFolder() const { return root_ + "/model/hidraw" + std::to_string(number_); }

void HidrawDevice::Plug(int number) {
  if (number_ >= 0) Unplug();
  number_ = number;
  std::string socket_path = root_ + "/dev/hidraw" + std::to_string(number);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (socket_path.size() >= sizeof address.sun_path) Fail("path too long: " + socket_path);
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
  ::unlink(socket_path.c_str());
  listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listener_ < 0) Fail("socket");
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Fail("bind " + socket_path);
  if (::listen(listener_, 16) != 0) Fail("listen");
  WriteModel();
  // The sysfs entry last: a program that finds it finds a working node.
  std::string name = "hidraw" + std::to_string(number);
  fs::path device = fs::path(root_) / "sys/class/hidraw" / name / "device";
  fs::create_directories(device);
  std::string uevent = "DRIVER=hid-generic\nHID_ID=" + Hex4(identity_.bus) + ":0000" + Hex4(identity_.vendor) +
                       ":0000" + Hex4(identity_.product) + "\nHID_NAME=" + identity_.name +
                       "\nHID_PHYS=usb-0000:00:14.0-1/input0\nHID_UNIQ=" + identity_.serial + "\n";
  WriteFile(device / "uevent", uevent);
}

void HidrawDevice::WriteModel() {
  if (number_ < 0) return;
  fs::path model = ModelFolder();
  fs::create_directories(model);
  WriteFile(model / "descriptor", std::string(descriptor_.begin(), descriptor_.end()));
  WriteFile(model / "info", Hex4(identity_.bus) + " " + Hex4(identity_.vendor) + " " + Hex4(identity_.product) + "\n");
  for (size_t id = 0; id < features_.size(); ++id) {
    char name[16];
    std::snprintf(name, sizeof name, "feature-%02X", static_cast<unsigned>(id & 0xFF));
    if (features_[id].empty())
      fs::remove(model / name);
    else
      WriteFile(model / name, std::string(features_[id].begin(), features_[id].end()));
  }
}

void HidrawDevice::Unplug() {
  if (number_ < 0) return;
  std::error_code ignored;
  fs::remove_all(fs::path(root_) / "sys/class/hidraw" / ("hidraw" + std::to_string(number_)), ignored);
  fs::remove_all(ModelFolder(), ignored);
  ::unlink((root_ + "/dev/hidraw" + std::to_string(number_)).c_str());
  AcceptWaiting();  // a reader whose connection is still queued is closed too
  for (int fd : connections_) ::close(fd);
  connections_.clear();
  ::close(listener_);
  listener_ = -1;
  number_ = -1;
}

void HidrawDevice::AcceptWaiting() {
  for (;;) {
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      Fail("accept");
    }
    connections_.push_back(fd);
  }
}

int HidrawDevice::SendInput(const std::vector<uint8_t>& report) {
  if (number_ < 0) return 0;
  AcceptWaiting();
  int sent = 0;
  for (auto it = connections_.begin(); it != connections_.end();) {
    ssize_t n = ::send(*it, report.data(), report.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n == static_cast<ssize_t>(report.size())) {
      ++sent;
      ++it;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      ++it;  // a reader that does not read loses reports, as hidraw's full queue does
    } else {
      ::close(*it);  // the reader closed the node
      it = connections_.erase(it);
    }
  }
  return sent;
}

void HidrawDevice::SetFeature(const std::vector<uint8_t>& report) {
  if (report.empty()) throw std::invalid_argument("a feature report starts with its id");
  features_[report[0]] = report;
  WriteModel();
}

void HidrawDevice::ForgetFeature(uint8_t id) {
  features_[id].clear();
  WriteModel();
}

void RunWithHidrawShim(char** argv, const char* shim) {
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload && std::strstr(preload, shim)) return;
  setenv("LD_PRELOAD", shim, 1);
  const char* asan = std::getenv("ASAN_OPTIONS");
  std::string options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
  setenv("ASAN_OPTIONS", options.c_str(), 1);
  execv("/proc/self/exe", argv);
  std::perror("execv with the hidraw shim");
  std::exit(1);
}
