// A label printer on loopback for tests and demos: stores every job it receives
// and answers CPCL and EPL status requests from a state that can change while it
// runs. One connection is served at a time, as a real printer does.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/testing/virtual_printer.h"

#include "platform/spooler/fd_io.h"

namespace trv {

using spooler::Fd;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTickMs = 100;
constexpr unsigned char kCpclStatusRequest[4] = {0x1B, 'h', '\r', '\n'};
constexpr unsigned char kEplStatusRequest[4] = {'^', 'e', 'e', '\n'};

struct PrinterState {
  enum class Mode { Ready, Busy, Error } mode = Mode::Ready;
  Clock::time_point busyUntil{};
  std::string errorCode;
  unsigned long bytesPerSecond = 0;
  unsigned long dropAfter = 0;
  Clock::time_point stallUntil{};
};

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool ParseCount(const std::string& text, unsigned long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtoul(text.c_str(), &end, 10);
  return errno == 0 && *end == '\0' && text[0] != '-';
}

}  // namespace

struct VirtualPrinter::Impl {
  std::string directory;
  PrinterLanguage language;
  Fd listener;
  Fd wakeRead, wakeWrite;
  std::thread thread;
  std::atomic<bool> stopping{false};
  unsigned short port = 0;

  mutable std::mutex lock;
  std::condition_variable quitSignal;
  bool quit = false;
  PrinterState state;
  std::vector<std::string> jobs;
  unsigned nextJob = 1;

  bool Apply(const std::string& rawLine, std::string* error);
  std::string StatusReply();
  void ReadControlFile();
  void Serve();
  void ServeConnection(Fd connection);
  bool WaitReadable(int fd);
};

bool VirtualPrinter::Impl::Apply(const std::string& rawLine, std::string* error) {
  std::istringstream in(Trim(rawLine));
  std::string command, argument, extra;
  in >> command >> argument >> extra;
  unsigned long n = 0;
  std::lock_guard<std::mutex> guard(lock);
  if (command == "ready" && argument.empty()) {
    state.mode = PrinterState::Mode::Ready;
  } else if (command == "busy" && ParseCount(argument, &n) && extra.empty()) {
    state.mode = PrinterState::Mode::Busy;
    state.busyUntil = Clock::now() + std::chrono::milliseconds(n);
  } else if (command == "error" && !argument.empty() && extra.empty()) {
    bool valid =
        language == PrinterLanguage::Epl
            ? argument.size() == 2
            : argument.size() <= 2 &&
                  std::strspn(argument.c_str(), "0123456789abcdefABCDEF") == argument.size();
    if (!valid) {
      if (error) *error = "error code must be a hex status byte (CPCL) or two characters (EPL)";
      return false;
    }
    state.mode = PrinterState::Mode::Error;
    state.errorCode = argument;
  } else if (command == "slow" && ParseCount(argument, &n) && extra.empty()) {
    state.bytesPerSecond = n;
  } else if (command == "stall" && ParseCount(argument, &n) && extra.empty()) {
    state.stallUntil = Clock::now() + std::chrono::milliseconds(n);
  } else if (command == "drop" && ParseCount(argument, &n) && extra.empty()) {
    state.dropAfter = n;
  } else if (command == "quit" && argument.empty()) {
    quit = true;
    quitSignal.notify_all();
  } else {
    if (error) *error = "unknown control line: " + Trim(rawLine);
    return false;
  }
  return true;
}

std::string VirtualPrinter::Impl::StatusReply() {
  std::lock_guard<std::mutex> guard(lock);
  if (state.mode == PrinterState::Mode::Busy && Clock::now() >= state.busyUntil)
    state.mode = PrinterState::Mode::Ready;
  bool epl = language == PrinterLanguage::Epl;
  switch (state.mode) {
    case PrinterState::Mode::Ready: return epl ? "00\r\n" : std::string(1, '\0');
    case PrinterState::Mode::Busy: return epl ? "12\r\n" : std::string(1, '\x01');
    case PrinterState::Mode::Error:
      if (epl) return state.errorCode + "\r\n";
      return std::string(1, static_cast<char>(std::strtoul(state.errorCode.c_str(), nullptr, 16)));
  }
  return {};
}

void VirtualPrinter::Impl::ReadControlFile() {
  std::filesystem::path file = std::filesystem::path(directory) / "control";
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return;
  // A writer creates the file before it writes its lines: a file that is still
  // empty or ends within a line is left for the next tick, so no line is lost.
  std::ifstream in(file, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  if (content.empty() || content.back() != '\n') return;
  std::filesystem::remove(file, ec);
  std::vector<std::string> lines;
  std::istringstream text(content);
  for (std::string line; std::getline(text, line);)
    if (!Trim(line).empty()) lines.push_back(line);
  for (const std::string& line : lines) {
    std::string error;
    if (!Apply(line, &error)) std::fprintf(stderr, "trvprinter: %s\n", error.c_str());
  }
}

// Waits one tick for data on `fd`; false on a tick without data.
bool VirtualPrinter::Impl::WaitReadable(int fd) {
  pollfd p[2] = {{fd, POLLIN, 0}, {wakeRead.get(), POLLIN, 0}};
  int n = ::poll(p, 2, kTickMs);
  return n > 0 && p[0].revents != 0;
}

void VirtualPrinter::Impl::ServeConnection(Fd connection) {
  const unsigned char* request =
      language == PrinterLanguage::Epl ? kEplStatusRequest : kCpclStatusRequest;
  unsigned char window[4] = {};
  unsigned long received = 0;
  std::ofstream job;
  std::string jobPath;
  bool reset = false;
  while (!stopping) {
    ReadControlFile();
    bool stalled;
    {
      std::lock_guard<std::mutex> guard(lock);
      stalled = Clock::now() < state.stallUntil;
    }
    if (stalled) {
      // Takes nothing: what the sender writes piles up in the socket buffers.
      std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
      continue;
    }
    if (!WaitReadable(connection.get())) continue;
    unsigned long bytesPerSecond, dropAfter;
    {
      std::lock_guard<std::mutex> guard(lock);
      bytesPerSecond = state.bytesPerSecond;
      dropAfter = state.dropAfter;
    }
    unsigned char buffer[4096];
    std::size_t want = sizeof buffer;
    if (bytesPerSecond > 0)
      want = std::max<std::size_t>(1, std::min<std::size_t>(want, bytesPerSecond * kTickMs / 1000));
    if (dropAfter > 0) want = std::min<std::size_t>(want, dropAfter - received);
    ssize_t n = ::recv(connection.get(), buffer, want, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (!job.is_open()) {
      char name[32];
      {
        std::lock_guard<std::mutex> guard(lock);
        std::snprintf(name, sizeof name, "job-%04u.prn", nextJob++);
      }
      jobPath = (std::filesystem::path(directory) / name).string();
      job.open(jobPath, std::ios::binary);
    }
    job.write(reinterpret_cast<const char*>(buffer), n);
    job.flush();
    received += static_cast<unsigned long>(n);
    for (ssize_t i = 0; i < n; ++i) {
      std::memmove(window, window + 1, 3);
      window[3] = buffer[i];
      if (std::memcmp(window, request, 4) == 0) {
        std::string reply = StatusReply();
        ::send(connection.get(), reply.data(), reply.size(), MSG_NOSIGNAL);
      }
    }
    if (dropAfter > 0 && received >= dropAfter) {
      reset = true;
      break;
    }
    if (bytesPerSecond > 0) std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
  }
  if (reset) {
    // An abortive close: the sender sees a reset, as when a printer is switched off.
    linger l{1, 0};
    ::setsockopt(connection.get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  }
  if (job.is_open()) {
    job.close();
    std::lock_guard<std::mutex> guard(lock);
    jobs.push_back(jobPath);
  }
}

void VirtualPrinter::Impl::Serve() {
  while (!stopping) {
    ReadControlFile();
    if (!WaitReadable(listener.get())) continue;
    Fd connection(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.valid()) ServeConnection(std::move(connection));
  }
}

VirtualPrinter::VirtualPrinter(std::string directory, PrinterLanguage language)
    : impl_(std::make_unique<Impl>()) {
  impl_->directory = std::move(directory);
  impl_->language = language;
}

VirtualPrinter::~VirtualPrinter() { Stop(); }

bool VirtualPrinter::Start(unsigned short port, std::string* error) {
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    return false;
  };
  if (impl_->thread.joinable()) return fail("already started");
  std::error_code ec;
  std::filesystem::create_directories(impl_->directory, ec);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return fail("pipe");
  impl_->wakeRead = Fd(pipeFds[0]);
  impl_->wakeWrite = Fd(pipeFds[1]);
  Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!listener.valid()) return fail("socket");
  int one = 1;
  ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  // A label printer's input buffer is small; a fixed one also keeps the kernel from
  // growing it, so a printer that stops reading soon stops the sender.
  int receiveBuffer = 256 * 1024;
  ::setsockopt(listener.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    return fail("bind");
  if (::listen(listener.get(), 4) != 0) return fail("listen");
  socklen_t length = sizeof address;
  ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
  impl_->port = ntohs(address.sin_port);
  impl_->listener = std::move(listener);
  impl_->stopping = false;
  impl_->thread = std::thread([impl = impl_.get()] { impl->Serve(); });
  return true;
}

unsigned short VirtualPrinter::Port() const { return impl_->port; }

void VirtualPrinter::Wait() {
  std::unique_lock<std::mutex> guard(impl_->lock);
  impl_->quitSignal.wait(guard, [this] { return impl_->quit; });
  guard.unlock();
  Stop();
}

void VirtualPrinter::Stop() {
  if (!impl_->thread.joinable()) return;
  impl_->stopping = true;
  char wake = 1;
  [[maybe_unused]] ssize_t n = ::write(impl_->wakeWrite.get(), &wake, 1);
  impl_->thread.join();
  impl_->listener = Fd();
}

bool VirtualPrinter::Control(const std::string& line, std::string* error) {
  return impl_->Apply(line, error);
}

std::vector<std::string> VirtualPrinter::Jobs() const {
  std::lock_guard<std::mutex> guard(impl_->lock);
  return impl_->jobs;
}

}  // namespace trv
