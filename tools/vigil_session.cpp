// vigil-session: the console session of the Linux stand-ins. The message
// boxes of the Windows programs come to it (through <root>/run/session);
// it shows each one in this terminal and sends the answer back.
//
//   vigil-session [--answer yes|no|timeout] [--record FILE]
//
// With --answer every box is answered at once, the same way: "yes" presses
// Yes (OK on a box without Yes), "no" presses No (OK, or Cancel when there
// is one), "timeout" lets the box time out. With --record each box is also
// appended to FILE as one line, written at once: the style in lower-case
// hexadecimal, a blank, the title, ": ", the text with each newline as \n.
// Without --answer the terminal asks: y or n, Enter for the first button;
// nothing within the box's time-out is a time-out.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>

#include "linuxbase/unique_fd.h"
#include "platform/message_box.h"
#include "platform/seqpacket_linux.h"
#include "platform/session_protocol_linux.h"

namespace {

volatile sig_atomic_t stopping = 0;
void Stop(int) { stopping = 1; }

enum class Answer { kAsk, kYes, kNo, kTimeout };

constexpr int32_t kIdCancel = 2;

int Usage() {
  std::fprintf(stderr, "usage: vigil-session [--answer yes|no|timeout] [--record FILE]\n");
  return 2;
}

// The buttons of a style's low four bits (MB_OK, MB_OKCANCEL, MB_YESNOCANCEL, MB_YESNO).
bool HasYes(uint32_t style) { return (style & 0xF) == 3 || (style & 0xF) == 4; }
bool HasCancel(uint32_t style) { return (style & 0xF) == 1 || (style & 0xF) == 3; }

int32_t Pressed(Answer answer, uint32_t style) {
  switch (answer) {
    case Answer::kYes:
      return HasYes(style) ? platform::kIdYes : platform::kIdOk;
    case Answer::kNo:
      if (HasYes(style)) return platform::kIdNo;
      return HasCancel(style) ? kIdCancel : platform::kIdOk;
    default:
      return platform::kIdTimeout;
  }
}

std::string RecordLine(const platform::session::Request& box) {
  char style[16];
  std::snprintf(style, sizeof style, "%x", box.style);
  std::string line = std::string(style) + " " + box.title + ": ";
  for (char c : box.text) {
    if (c == '\n')
      line += "\\n";
    else
      line += c;
  }
  return line + "\n";
}

bool Record(int fd, const platform::session::Request& box) {
  std::string line = RecordLine(box);
  return write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

// Shows the box here and waits for the person at the terminal.
int32_t AskHere(const platform::session::Request& box) {
  std::printf("\n[%s]\n%s\n", box.title.c_str(), box.text.c_str());
  std::printf(HasYes(box.style) ? "(y = Sim, n = Nao) " : "(Enter = OK) ");
  std::fflush(stdout);
  int limit = box.timeoutSeconds == 0 ? -1 : static_cast<int>(box.timeoutSeconds) * 1000;
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, limit) <= 0) {
    std::printf("(tempo esgotado)\n");
    return platform::kIdTimeout;
  }
  char line[64] = {};
  if (!std::fgets(line, sizeof line, stdin)) return platform::kIdTimeout;
  if (line[0] == 'n' || line[0] == 'N') return Pressed(Answer::kNo, box.style);
  return Pressed(Answer::kYes, box.style);
}

}  // namespace

int main(int argc, char** argv) {
  Answer answer = Answer::kAsk;
  const char* record_path = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--answer" && i + 1 < argc) {
      std::string value = argv[++i];
      if (value == "yes")
        answer = Answer::kYes;
      else if (value == "no")
        answer = Answer::kNo;
      else if (value == "timeout")
        answer = Answer::kTimeout;
      else
        return Usage();
    } else if (arg == "--record" && i + 1 < argc) {
      record_path = argv[++i];
    } else {
      return Usage();
    }
  }
  linuxbase::UniqueFd record;
  if (record_path) {
    record.reset(open(record_path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!record) {
      std::fprintf(stderr, "vigil-session: %s: %s\n", record_path, std::strerror(errno));
      return 1;
    }
  }
  std::string path = platform::session::SocketPath();
  linuxbase::UniqueFd listener(path.empty() ? -1 : platform::seqpacket::Listen(path, 0666, 16));
  if (!listener) {
    std::fprintf(stderr, "vigil-session: cannot listen on %s: %s\n", path.c_str(),
                 errno == EADDRINUSE ? "another session listens there" : std::strerror(errno));
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = Stop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int status = 0;
  while (!stopping) {
    pollfd wanted{listener.get(), POLLIN, 0};
    int ready = poll(&wanted, 1, 200);
    if (ready < 0 && errno != EINTR) {
      std::perror("vigil-session: poll");
      status = 1;
      break;
    }
    if (ready <= 0) continue;
    linuxbase::UniqueFd fd(platform::seqpacket::Accept(listener.get()));
    if (!fd) continue;
    uint8_t bytes[platform::session::kMaxRequestBytes];
    bool truncated = false;
    ssize_t n = platform::seqpacket::Receive(fd.get(), bytes, sizeof bytes, 2000, &truncated);
    // A longer message is no request cut to size.
    auto box = n > 0 && !truncated ? platform::session::Decode(bytes, static_cast<size_t>(n)) : std::nullopt;
    if (box) {
      if (record && !Record(record.get(), *box)) std::fprintf(stderr, "vigil-session: cannot record a box\n");
      int32_t pressed = answer == Answer::kAsk ? AskHere(*box) : Pressed(answer, box->style);
      if (box->wait) {
        uint8_t reply[4];
        for (int i = 0; i < 4; ++i) reply[i] = static_cast<uint8_t>(static_cast<uint32_t>(pressed) >> (8 * i));
        platform::seqpacket::Send(fd.get(), reply, sizeof reply);
      }
    }
  }
  listener.reset();
  unlink(path.c_str());
  return status;
}
