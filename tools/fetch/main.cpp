// kasumido-fetch: fetches one URL with the program's HTTP client on the program's event
// loop and streams the body into a file. The proxy is the one given with --proxy, else
// the one the host settings choose for the host folder this tool lies in (its folder's
// parent), exactly as a download run chooses it. Prints every relocation followed, then
// for an https URL the TLS session (version, cipher, the certificate's subject, issuer
// and validity, and the verification's result, also when the certificate was refused),
// then the final status and reason and the byte count. A fetch that receives nothing
// for --timeout seconds (default 60, 0 for none) is aborted, like a page fetch.
//
// Exit status: 0 on success; 1 when the status is 400 or more, when nothing arrived
// (status 0 and 0 bytes), on any other error, or on a bad command line. A failed fetch
// leaves in FILE what had arrived.
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "http/http_client.h"
#include "platform/paths.h"
#include "platform/program_arguments.h"
#include "shell/host_settings.h"
#include "text/paths.h"
#include "tool_loop.h"

namespace {

using namespace kasumido;

struct Options {
  bool proxy_given = false;
  std::string proxy;
  int timeout_seconds = 60;
  std::string url;
  std::string file;
};

void Usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--proxy HOST:PORT] [--timeout SECONDS] URL FILE\n", program);
}

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
  std::vector<std::string> positional;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if ((arg == "--proxy" || arg == "--timeout") && i + 1 < args.size()) {
      const std::string& value = args[++i];
      if (arg == "--proxy") {
        options.proxy_given = true;
        options.proxy = value;
      } else {
        options.timeout_seconds = ParseTimeOutSeconds(value);
      }
    } else if (arg.starts_with("--")) {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return false;
  options.url = positional[0];
  options.file = positional[1];
  return true;
}

// The folder that holds this executable (never the current folder).
std::string ProgramDir() {
  const std::string folder = FolderOf(ProgramFile());
  return folder.empty() ? std::string(".") : folder;
}

ProxySetting ProxyFor(const Options& options) {
  if (!options.proxy_given) return ChooseProxy(HostSettings(ProgramDir()));
  // "HOST:PORT" as one proxy text: the client takes its port; ProxyPort backs a bare host.
  return ProxySetting{options.proxy, "80"};
}

// What is known of the session: no cipher before the handshake ends, no certificate
// when the server sent none.
void PrintSession(const TlsSessionInfo& tls) {
  std::printf("tls: %s%s%s\n", tls.Version.c_str(), tls.Cipher.empty() ? "" : " ",
              tls.Cipher.c_str());
  if (!tls.Subject.empty()) {
    std::printf("certificate: %s\n", tls.Subject.c_str());
    std::printf("issuer: %s\n", tls.Issuer.c_str());
    std::printf("valid: %s to %s\n", tls.ValidFrom.c_str(), tls.ValidUntil.c_str());
  }
  std::printf("verification: %s\n", tls.Verification.c_str());
}

int Fetch(const Options& options, EventLoop& loop) {
  THttpClient client(loop);
  const ProxySetting proxy = ProxyFor(options);
  client.Proxy = proxy.Proxy;
  client.ProxyPort = proxy.ProxyPort;
  if (proxy.Proxy.empty()) {
    std::printf("proxy: none\n");
  } else {
    std::printf("proxy: %s (port %s)\n", proxy.Proxy.c_str(), proxy.ProxyPort.c_str());
  }
  const std::unique_ptr<Timer> time_out = loop.CreateTimer();
  time_out->SetInterval(std::chrono::seconds(options.timeout_seconds));
  time_out->OnTimer = [&] {
    time_out->SetEnabled(false);
    client.AbortRequest();
  };
  client.OnDocData = [&](const char*, std::size_t) { time_out->SetEnabled(true); };
  client.OnLocationChange = [](const std::string& location) {
    std::printf("relocated: %s\n", location.c_str());
  };
  FileDocumentStream file(options.file);
  client.DocStream = &file;
  client.URL = options.url;
  time_out->SetEnabled(true);
  bool failed = false;
  try {
    client.FetchSync();
  } catch (const EHttpException&) {
    failed = true;
  }
  time_out->SetEnabled(false);
  client.DocStream = nullptr;
  file.Close();
  if (const TlsSessionInfo* tls = client.Security()) PrintSession(*tls);
  std::printf("status: %d %s\n", client.ReplyStatus(), client.ReplyReason().c_str());
  std::printf("bytes: %d\n", client.DocByteCount());
  if (client.ReplyStatus() == 0 && client.DocByteCount() == 0) failed = true;
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(ProgramArguments(argc, argv), options)) {
    Usage(argv[0]);
    return 1;
  }
  UseUtf8Console();
  ToolLoop tool_loop(argc, argv);
  try {
    return Fetch(options, tool_loop.Loop());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "error: %s\n", error.what());
    return 1;
  }
}
