// The error report's transport: one HTTP/1.0 POST of a URL-encoded form,
// written by hand over one TCP connection, directly to port 80 of the report
// server or through the user's HTTP proxy. Shared by the converter and the
// installer, each with its own form body and variant of the post.
//
// A post never throws and never reports to the user: it returns the server's
// reply, or a failure text naming the step that failed. The whole post is
// bounded (kReportTimeLimitMs for name look-up, connect, send and receive
// together); a time-out ends the post like a failure of the step it
// interrupted.
#pragma once

#include <cstdint>
#include <string>

namespace vellora {

constexpr const char kPostMethod[] = "POST ";
constexpr const char kReportPath[] = "/err.asp";
constexpr int kReportTimeLimitMs = 30000;
// The reply is read until the server closes; beyond this many bytes it is cut.
constexpr std::size_t kReplyCapacity = 64 * 1024;

// The converter's body: "msg=%s&serial=%s&app=%s&build=%s&rmaj=%d&rmin=%d"
// with the error log (at most 12,000 characters read, 14,000 written), "0",
// the product name and the build "080527", each form-encoded.
std::string ConverterReportBody(const std::string& errorLog);
// The installer's body: "msg=%s&serial=0&app=VelloraInst&build=%s&rmaj=%d&rmin=%d"
// with the install log (at most 9,999 characters read, 11,111 written) and
// the build "080128".
std::string InstallerReportBody(const std::string& installLog);

// The absolute URL a proxy is asked for: "http://" HOST "/err.asp".
std::string ReportUrl(const std::string& hostName);

// The converter's post, straight to the report server. `hostName` is the
// report server's name, optionally with ":port" (port 80 otherwise); it also
// fills the Host header. When the name does not resolve, or not within half
// of the time limit, the configured fixed address is tried
// (ConfiguredReportServer()). Socket and connection get one
// retry each. Failure texts: "* *error*" + the agent's message + "*\r\n".
std::string PostForm(const std::string& hostName, const std::string& method,
                     const std::string& path, const std::string& body,
                     int timeLimitMs = kReportTimeLimitMs);
// The same through the proxy of the "Internet Settings" (`path` being the
// absolute URL); the proxy's name gets no fixed address to fall back on.
std::string PostFormViaProxy(const std::string& hostName, const std::string& method,
                             const std::string& url, const std::string& body,
                             int timeLimitMs = kReportTimeLimitMs);
// The installer's post: its own user agent, one attempt each for the socket
// and the connection, no fixed address, never a proxy; failure texts are the
// host name followed by "......error in Socket\r\n", "...error in
// gethostbyname\r\n", "...error in connect\r\n", "...error in send\r\n",
// "...error in recv\r\n" or "...error in closesocket\r\n".
std::string PostInstallForm(const std::string& hostName, const std::string& method,
                            const std::string& path, const std::string& body,
                            int timeLimitMs = kReportTimeLimitMs);

// The user's HTTP proxy: the values "ProxyEnable" (a DWORD, 1 selects the
// proxy) and "ProxyServer" of HKEY_CURRENT_USER
// "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings". Where a
// value is missing, the environment's proxy for the report host stands in
// (platform::environmentHttpProxy).
struct ProxySettings {
  bool enabled = false;
  std::string server;
};
ProxySettings ReadProxySettings(const std::string& reportHost);
bool ProxyEnabled(const std::string& reportHost);

// Where a "ProxyServer" value points.
struct ProxyAddress {
  std::string host;
  int port = 8080;
};
// "host", "host:port" or "scheme://host:port" (a trailing path ignored); the
// per-protocol form "http=host:port;https=..." uses its "http" entry. Values
// are cut at 255 characters; a missing port is 8080.
ProxyAddress ParseProxyServer(const std::string& value);

}  // namespace vellora
