#include "platform/win/Instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/win/Core.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace win {

namespace {

namespace fs = std::filesystem;

constexpr int kIoTimeoutMs = 2000;
constexpr size_t kMaxLine = 4096;
constexpr std::uintptr_t kProxyBit = std::uintptr_t{1} << 62;

// ---- texts on the wire: one request line, one reply line; strings as hex of their UTF-8, "-" for none --------

std::string Hex(LPCWSTR s) {
  if (!s) return "-";
  static const char* kDigits = "0123456789abcdef";
  std::string utf8 = mx::WideToUtf8(s);
  std::string out;
  for (unsigned char c : utf8) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out.empty() ? "." : out;  // "." is the empty text
}

std::optional<std::wstring> Unhex(const std::string& s, bool* isNull) {
  *isNull = s == "-";
  if (*isNull || s == ".") return std::wstring();
  if (s.size() % 2) return std::nullopt;
  std::string bytes;
  for (size_t i = 0; i < s.size(); i += 2) {
    auto nibble = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      return -1;
    };
    int hi = nibble(s[i]), lo = nibble(s[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes += static_cast<char>(hi * 16 + lo);
  }
  return mx::Utf8ToWide(bytes);
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::optional<std::string> ReadLine(int fd) {
  std::string line;
  char c;
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    int r = ::poll(&p, 1, kIoTimeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return std::nullopt;
    ssize_t n = ::recv(fd, &c, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
    if (c == '\n') return line;
    line += c;
    if (line.size() > kMaxLine) return std::nullopt;
  }
}

bool FillAddress(const fs::path& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  const std::string s = path.string();
  if (s.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, s.c_str(), s.size() + 1);
  return true;
}

// ---- the serving side ------------------------------------------------------------------------------------------

// What another process may post: its own messages (WM_USER and up) and the few system messages that carry
// no pointer. Anything else would hand this process an address from another one.
bool PostableFromOutside(UINT msg) {
  return msg >= WM_USER || msg == WM_NULL || msg == WM_CLOSE || msg == WM_SYSCOMMAND;
}

HWND ToHwnd(const std::string& s) {
  try {
    size_t used = 0;
    unsigned long long v = std::stoull(s, &used, 10);
    if (used != s.size()) return nullptr;
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(v));
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::string FromHwnd(HWND h) { return std::to_string(reinterpret_cast<std::uintptr_t>(h)); }

// Only windows of this process are served; a proxy value from the caller never makes us call out.
bool Local(HWND h) { return h && !core::IsProxy(h) && IsWindow(h); }

std::string Answer(const std::string& line) {
  std::istringstream in(line);
  std::string verb, a, b, c, d;
  in >> verb >> a >> b >> c >> d;
  if (verb == "FIND") {
    bool classNull = false, nameNull = false;
    auto cls = Unhex(a, &classNull);
    auto name = Unhex(b, &nameNull);
    if (!cls || !name) return "0";
    HWND h = FindWindowEx(nullptr, nullptr, classNull ? nullptr : cls->c_str(), nameNull ? nullptr : name->c_str());
    return FromHwnd(h);
  }
  HWND h = ToHwnd(a);
  if (verb == "ISWINDOW") return Local(h) ? "1" : "0";
  if (!Local(h)) return "0";
  if (verb == "POST") {
    try {
      UINT msg = static_cast<UINT>(std::stoul(b));
      WPARAM wp = static_cast<WPARAM>(std::stoull(c));
      LPARAM lp = static_cast<LPARAM>(std::stoll(d));
      if (!PostableFromOutside(msg)) return "0";
      return PostMessage(h, msg, wp, lp) ? "1" : "0";
    } catch (const std::exception&) {
      return "0";
    }
  }
  if (verb == "SHOW") {
    try {
      return ShowWindowAsync(h, std::stoi(b)) ? "1" : "0";
    } catch (const std::exception&) {
      return "0";
    }
  }
  if (verb == "FOREGROUND") return core::PostToOwner(h, [h] { SetForegroundWindow(h); }) ? "1" : "0";
  if (verb == "POPUP") return FromHwnd(GetLastActivePopup(h));
  return "0";
}

struct Channel {
  std::mutex m;
  bool running = false;
  int listenFd = -1;
  int stopPipe[2] = {-1, -1};
  fs::path path;
  std::thread thread;

  ~Channel() { Stop(); }

  void Serve() {
    for (;;) {
      pollfd fds[2] = {{listenFd, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
      int r = ::poll(fds, 2, -1);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 || (fds[1].revents & POLLIN)) return;
      if (!(fds[0].revents & POLLIN)) continue;
      int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ucred cred{};
      socklen_t len = sizeof cred;
      if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid()) {
        if (auto line = ReadLine(fd)) WriteAll(fd, Answer(*line) + "\n");
      }
      ::close(fd);
    }
  }

  void Stop() {
    std::thread t;
    {
      std::lock_guard lock(m);
      if (!running) return;
      running = false;
      char x = 1;
      [[maybe_unused]] auto n = ::write(stopPipe[1], &x, 1);
      t = std::move(thread);
    }
    if (t.joinable()) t.join();
    std::lock_guard lock(m);
    ::close(listenFd);
    ::close(stopPipe[0]);
    ::close(stopPipe[1]);
    listenFd = stopPipe[0] = stopPipe[1] = -1;
    ::unlink(path.c_str());
  }
};

Channel& TheChannel() {
  static Channel channel;  // its destructor stops the serving thread before the process's statics go
  return channel;
}

// ---- the asking side -------------------------------------------------------------------------------------------

// One request to another process's channel. A socket nobody listens on belongs to a process that died: it is
// removed.
std::optional<std::string> Ask(const fs::path& path, const std::string& line) {
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return std::nullopt;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    if (errno == ECONNREFUSED) ::unlink(path.c_str());
    ::close(fd);
    return std::nullopt;
  }
  std::optional<std::string> reply;
  if (WriteAll(fd, line + "\n")) reply = ReadLine(fd);
  ::close(fd);
  return reply;
}

struct Proxy {
  fs::path path;
  std::string remote;
};

struct Proxies {
  std::mutex m;
  std::map<HWND, Proxy> byHandle;
  std::uintptr_t next = kProxyBit | 0x10;
};

Proxies& TheProxies() {
  static Proxies p;
  return p;
}

HWND MakeProxy(const fs::path& path, const std::string& remote) {
  auto& p = TheProxies();
  std::lock_guard lock(p.m);
  for (auto& [h, proxy] : p.byHandle)
    if (proxy.path == path && proxy.remote == remote) return h;
  HWND h = reinterpret_cast<HWND>(p.next);
  p.next += 4;
  p.byHandle[h] = {path, remote};
  return h;
}

std::optional<Proxy> GetProxy(HWND h) {
  auto& p = TheProxies();
  std::lock_guard lock(p.m);
  auto it = p.byHandle.find(h);
  if (it == p.byHandle.end()) return std::nullopt;
  return it->second;
}

std::string AskProxy(HWND h, const std::string& verb, const std::string& rest = {}) {
  auto proxy = GetProxy(h);
  if (!proxy) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return "0";
  }
  auto reply = Ask(proxy->path, verb + " " + proxy->remote + (rest.empty() ? "" : " " + rest));
  if (!reply || *reply == "0") SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return reply ? *reply : "0";
}

std::vector<fs::path> OtherChannels() {
  std::vector<fs::path> out;
  auto dir = RuntimeDir();
  if (dir.empty()) return out;
  const std::string mine = "wnd-" + std::to_string(::getpid()) + ".sock";
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    std::string name = e.path().filename().string();
    if (name.rfind("wnd-", 0) == 0 && name.size() > 9 && name.ends_with(".sock") && name != mine)
      out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

// Creates the folder when missing; true when it is ours and no one else may look into it.
static bool OwnPrivateDir(const fs::path& dir) {
  ::mkdir(dir.c_str(), 0700);
  struct stat st{};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  return (st.st_mode & 077) == 0 || ::chmod(dir.c_str(), 0700) == 0;
}

fs::path RuntimeDir() {
  fs::path dir;
  std::error_code ec;
  if (const char* e = std::getenv("MX_RUNTIME_DIR"); e && *e) {
    dir = e;
    fs::create_directories(dir, ec);
    return OwnPrivateDir(dir) ? dir : fs::path();
  } else {
    if (const char* x = std::getenv("XDG_RUNTIME_DIR"); x && *x) dir = fs::path(x) / "mendrix";
    else dir = fs::path("/tmp") / ("mendrix-" + std::to_string(::getuid()));
    if (!OwnPrivateDir(dir)) return {};
    // Each prefix is a machine of its own: instances on different prefixes must not find each other, and
    // one prefix reached through a symbolic link, or spelt another way, is still one machine.
    fs::path prefix = fs::canonical(mx::PrefixDir(), ec);
    if (ec) prefix = fs::absolute(mx::PrefixDir(), ec).lexically_normal();
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : prefix.string()) hash = (hash ^ c) * 1099511628211ull;
    char name[32];
    std::snprintf(name, sizeof name, "prefix-%016llx", static_cast<unsigned long long>(hash));
    dir /= name;
  }
  return OwnPrivateDir(dir) ? dir : fs::path();
}

BOOL StartInstanceChannel() {
  auto& ch = TheChannel();
  std::lock_guard lock(ch.m);
  if (ch.running) return TRUE;
  auto dir = RuntimeDir();
  if (dir.empty()) return FALSE;
  const std::string pid = std::to_string(::getpid());
  const fs::path path = dir / ("wnd-" + pid + ".sock");
  const fs::path temp = dir / ("wnd-" + pid + ".tmp");
  sockaddr_un addr;
  if (!FillAddress(path, &addr) || !FillAddress(temp, &addr)) return FALSE;
  ::unlink(temp.c_str());
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return FALSE;
  // Bound and listening under a temporary name first: a socket under the final name always answers, so
  // another process never mistakes a starting channel for a dead one.
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
      ::rename(temp.c_str(), path.c_str()) != 0 || ::pipe2(ch.stopPipe, O_CLOEXEC) != 0) {
    ::close(fd);
    ::unlink(temp.c_str());
    return FALSE;
  }
  ch.listenFd = fd;
  ch.path = path;
  ch.running = true;
  ch.thread = std::thread([&ch] { ch.Serve(); });
  return TRUE;
}

void StopInstanceChannel() { TheChannel().Stop(); }

namespace core {

bool IsProxy(HWND hwnd) {
  auto v = reinterpret_cast<std::uintptr_t>(hwnd);
  return v >= kProxyBit && v < (kProxyBit << 1);
}

BOOL ProxyIsWindow(HWND hwnd) { return AskProxy(hwnd, "ISWINDOW") == "1"; }

BOOL ProxyPost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return AskProxy(hwnd, "POST", std::to_string(msg) + " " + std::to_string(wParam) + " " + std::to_string(lParam)) ==
         "1";
}

BOOL ProxyShow(HWND hwnd, int cmd) { return AskProxy(hwnd, "SHOW", std::to_string(cmd)) == "1"; }

BOOL ProxyForeground(HWND hwnd) { return AskProxy(hwnd, "FOREGROUND") == "1"; }

HWND ProxyLastActivePopup(HWND hwnd) {
  auto proxy = GetProxy(hwnd);
  std::string reply = AskProxy(hwnd, "POPUP");
  if (!proxy || reply == "0" || !ToHwnd(reply)) return nullptr;
  return MakeProxy(proxy->path, reply);
}

HWND FindRemoteWindow(LPCWSTR className, LPCWSTR windowName) {
  const std::string request = "FIND " + Hex(className) + " " + Hex(windowName);
  for (const auto& path : OtherChannels()) {
    auto reply = Ask(path, request);
    if (reply && *reply != "0" && ToHwnd(*reply)) return MakeProxy(path, *reply);
  }
  return nullptr;
}

}  // namespace core

}  // namespace win
