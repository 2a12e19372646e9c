#include "common/form_post.h"

#include <vector>

#include "common/agent_texts.h"
#include "common/form_encode.h"
#include "common/product.h"
#include "common/report_server.h"
#include "common/text.h"
#include "platform/registry.h"
#include "platform/sockets.h"
#include "platform/system.h"

namespace vellora {

namespace {

constexpr const char kConverterBuild[] = "080527";
constexpr const char kInstallerBuild[] = "080128";
constexpr const char kConverterUserAgent[] = " HTTP/1.0\r\nUser-Agent: Norvale_Agent\r\n";
constexpr const char kInstallerUserAgent[] = " HTTP/1.0\r\nUser-Agent: VL_errorAgent\r\n";
constexpr const char kInternetSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr std::size_t kShortFieldCapacity = 255;
constexpr std::size_t kProxyTextCapacity = 256;  // 255 characters
constexpr int kDefaultProxyPort = 8080;
constexpr std::uint16_t kHttpPort = 80;
constexpr int kReceiveChunk = 5000;

// A form field encoded into a cleared buffer one byte longer than its
// capacity, so that a field cut at the capacity is still terminated.
std::string encodedField(const std::string& text, std::size_t sourceLength,
                         std::size_t capacity) {
  std::string buffer(capacity + 1, '\0');
  FormEncode(text.c_str(), sourceLength, &buffer[0], capacity);
  return std::string(buffer.c_str());
}

enum class Step { kSocket, kResolve, kConnect, kSend, kReceive, kClose };

std::string converterFailure(Step step, const std::string&) {
  const char* message = kTextAgentCannotConnect;
  switch (step) {
    case Step::kSocket:
    case Step::kConnect: message = kTextAgentCannotConnect; break;
    case Step::kResolve: message = kTextAgentCannotResolve; break;
    case Step::kSend: message = kTextAgentCannotSend; break;
    case Step::kReceive: message = kTextAgentCannotReceive; break;
    case Step::kClose: return std::string("* *error*") + kTextAgentCannotClose + ".*\r\n";
  }
  return std::string("* *error*") + message + "*\r\n";
}

std::string installerFailure(Step step, const std::string& host) {
  switch (step) {
    case Step::kSocket: return host + "......error in Socket\r\n";
    case Step::kResolve: return host + "...error in gethostbyname\r\n";
    case Step::kConnect: return host + "...error in connect\r\n";
    case Step::kSend: return host + "...error in send\r\n";
    case Step::kReceive: return host + "...error in recv\r\n";
    case Step::kClose: break;
  }
  return host + "...error in closesocket\r\n";
}

struct Variant {
  const char* userAgentLine;
  int attempts;  // for creating the socket and for connecting
  std::string (*failure)(Step, const std::string& host);
};

const Variant kConverterVariant = {kConverterUserAgent, 2, &converterFailure};
const Variant kInstallerVariant = {kInstallerUserAgent, 1, &installerFailure};

// Where the connection goes.
struct Peer {
  std::string name;
  std::uint16_t port = kHttpPort;
  std::string fallbackAddress;  // tried when the name does not resolve
};

std::uint16_t portNumber(int value) {
  // A port that cannot exist makes the connection fail like an unreachable one.
  return value > 0 && value <= 65535 ? static_cast<std::uint16_t>(value) : 0;
}

// "name" or "name:port".
Peer peerOf(const std::string& hostName) {
  Peer peer;
  std::string::size_type colon = hostName.rfind(':');
  if (colon == std::string::npos) {
    peer.name = hostName;
    return peer;
  }
  peer.name = hostName.substr(0, colon);
  peer.port = portNumber(leadingInt(hostName.substr(colon + 1)));
  return peer;
}

std::string formatRequest(const Variant& variant, const std::string& hostName,
                          const std::string& method, const std::string& path,
                          const std::string& body) {
  return method + path + variant.userAgentLine + "Host: " + hostName +
         "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body + "\r\n" + "\r\n";
}

class SocketLibrary {
 public:
  SocketLibrary() : started_(platform::startSockets()) {}
  ~SocketLibrary() {
    if (started_) platform::stopSockets();
  }
  bool started() const { return started_; }

 private:
  bool started_;
};

bool openSocket(platform::TcpSocket& socket, int attempts) {
  for (int i = 0; i < attempts; ++i)
    if (socket.open()) return true;
  return false;
}

std::string post(const Variant& variant, const std::string& hostName, const Peer& peer,
                 const std::string& request, int timeLimitMs) {
  const std::uint64_t deadline =
      platform::tickMilliseconds() + static_cast<std::uint64_t>(timeLimitMs > 0 ? timeLimitMs : 0);
  SocketLibrary library;
  platform::TcpSocket socket;
  if (!library.started() || !openSocket(socket, variant.attempts))
    return variant.failure(Step::kSocket, hostName);

  // A name server that never answers must not use up the time the fixed
  // address behind the name would need: the name then gets half of it.
  std::uint64_t nameDeadline = deadline;
  if (!peer.fallbackAddress.empty()) {
    const std::uint64_t now = platform::tickMilliseconds();
    if (now < deadline) nameDeadline = now + (deadline - now) / 2;
  }
  platform::Ipv4Address address;
  if (!platform::resolveIpv4(peer.name, &address, nameDeadline) &&
      (peer.fallbackAddress.empty() ||
       !platform::resolveIpv4(peer.fallbackAddress, &address, deadline)))
    return variant.failure(Step::kResolve, hostName);

  bool connected = false;
  for (int i = 0; i < variant.attempts && !connected; ++i) {
    // A socket whose connection failed is not used again.
    if (i > 0 && !socket.open()) break;
    connected = socket.connect(address, peer.port, deadline);
  }
  if (!connected) return variant.failure(Step::kConnect, hostName);

  if (!socket.sendAll(request.data(), request.size(), deadline))
    return variant.failure(Step::kSend, hostName);

  std::string reply;
  char chunk[kReceiveChunk];
  for (;;) {
    int n = socket.receive(chunk, sizeof chunk, deadline);
    if (n < 0) return variant.failure(Step::kReceive, hostName);
    if (n == 0) break;
    std::size_t room = kReplyCapacity - reply.size();
    reply.append(chunk, static_cast<std::size_t>(n) < room ? static_cast<std::size_t>(n) : room);
  }
  if (!socket.close()) return variant.failure(Step::kClose, hostName);
  return reply;
}

// Pieces of a text between separators, as strtok finds them: runs of
// separators count as one and the text's ends hold no empty piece.
std::vector<std::string> tokens(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::string::size_type start = 0;
  while (start < text.size()) {
    std::string::size_type end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

// The "http" entry of a per-protocol value ("http=a:80;https=b:443"); the
// value as it stands when it has no such entry.
std::string httpEntry(const std::string& value) {
  if (value.find('=') == std::string::npos) return value;
  for (const std::string& entry : tokens(value, ';')) {
    std::string::size_type equals = entry.find('=');
    std::string scheme = entry.substr(0, equals);
    std::string::size_type first = scheme.find_first_not_of(' ');
    std::string::size_type last = scheme.find_last_not_of(' ');
    if (equals != std::string::npos && first != std::string::npos &&
        equalsIgnoreCase(scheme.substr(first, last - first + 1), "http"))
      return entry.substr(equals + 1);
  }
  return value;
}

}  // namespace

std::string ConverterReportBody(const std::string& errorLog) {
  return format("msg=%s&serial=%s&app=%s&build=%s&rmaj=%d&rmin=%d",
                encodedField(errorLog, 12000, 14000).c_str(),
                encodedField("0", 0, kShortFieldCapacity).c_str(),
                encodedField(kProductName, 0, kShortFieldCapacity).c_str(),
                encodedField(kConverterBuild, 0, kShortFieldCapacity).c_str(), kVersionMajor,
                kVersionMinor);
}

std::string InstallerReportBody(const std::string& installLog) {
  return format("msg=%s&serial=0&app=VelloraInst&build=%s&rmaj=%d&rmin=%d",
                encodedField(installLog, 9999, 11111).c_str(),
                encodedField(kInstallerBuild, 0, kShortFieldCapacity).c_str(), kVersionMajor,
                kVersionMinor);
}

std::string ReportUrl(const std::string& hostName) {
  return "http://" + hostName + kReportPath;
}

std::string PostForm(const std::string& hostName, const std::string& method,
                     const std::string& path, const std::string& body, int timeLimitMs) {
  Peer peer = peerOf(hostName);
  peer.fallbackAddress = ConfiguredReportServer().fixedAddress;
  return post(kConverterVariant, hostName, peer,
              formatRequest(kConverterVariant, hostName, method, path, body), timeLimitMs);
}

std::string PostFormViaProxy(const std::string& hostName, const std::string& method,
                             const std::string& url, const std::string& body, int timeLimitMs) {
  ProxyAddress proxy = ParseProxyServer(ReadProxySettings(hostName).server);
  Peer peer;
  peer.name = proxy.host;
  peer.port = portNumber(proxy.port);
  return post(kConverterVariant, hostName, peer,
              formatRequest(kConverterVariant, hostName, method, url, body), timeLimitMs);
}

std::string PostInstallForm(const std::string& hostName, const std::string& method,
                            const std::string& path, const std::string& body, int timeLimitMs) {
  return post(kInstallerVariant, hostName, peerOf(hostName),
              formatRequest(kInstallerVariant, hostName, method, path, body), timeLimitMs);
}

ProxySettings ReadProxySettings(const std::string& reportHost) {
  ProxySettings settings;
  bool haveEnable = false;
  bool haveServer = false;
  platform::RegKey key;
  if (key.open(platform::HKCU, kInternetSettingsKey, platform::kRegRead) == platform::kRegOk) {
    std::uint32_t enable = 0;
    if (key.queryDword("ProxyEnable", &enable) == platform::kRegOk) {
      haveEnable = true;
      settings.enabled = enable == 1;
    }
    haveServer = key.queryString("ProxyServer", &settings.server) == platform::kRegOk;
  }
  if (!haveEnable || !haveServer) {
    std::string fromEnvironment;
    if (platform::environmentHttpProxy(reportHost, &fromEnvironment)) {
      if (!haveEnable) settings.enabled = true;
      if (!haveServer) settings.server = fromEnvironment;
    }
  }
  return settings;
}

bool ProxyEnabled(const std::string& reportHost) { return ReadProxySettings(reportHost).enabled; }

ProxyAddress ParseProxyServer(const std::string& value) {
  std::string a = cut(httpEntry(cut(value, kProxyTextCapacity)), kProxyTextCapacity);
  std::string b = a;
  if (!a.empty() && (a[0] == 'H' || a[0] == 'h')) {
    std::vector<std::string> pieces = tokens(a, '/');
    if (!pieces.empty()) {
      if (pieces.size() > 1) b = pieces[1];
      a = pieces[0];
    }
  }
  ProxyAddress address;
  std::vector<std::string> pieces = tokens(b, ':');
  if (pieces.empty()) {
    address.host = a;
    address.port = kDefaultProxyPort;
    return address;
  }
  address.host = pieces[0];
  address.port = pieces.size() > 1 ? leadingInt(cut(pieces[1], 25)) : kDefaultProxyPort;
  return address;
}

}  // namespace vellora
