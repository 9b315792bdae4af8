#include "web/http_server.h"

#include <civetweb.h>

#include <cstring>
#include <mutex>

namespace web {

const std::pair<const char*, const char*> kSecurityHeaders[] = {
    {"Cache-Control", "no-store"},
    {"X-Content-Type-Options", "nosniff"},
    {"X-Frame-Options", "DENY"},
    {"Referrer-Policy", "no-referrer"},
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; connect-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self'; "
     "base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
    {nullptr, nullptr},
};

namespace {

// CivetWeb's library state, made once for the process.
void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { mg_init_library(0); });
}

constexpr unsigned kIpv6Feature = 8;

}  // namespace

HttpServer::HttpServer(const Site& site, WebLog& log, HttpLimits limits) : site_(site), log_(log), limits_(limits) {}

HttpServer::~HttpServer() { Stop(); }

HttpServer* HttpServer::ServerOf(const mg_connection* connection) {
  const mg_context* context = mg_get_context(connection);
  if (!context) return nullptr;
  return static_cast<HttpServer*>(mg_get_user_data(context));
}

int HttpServer::Handle(mg_connection* connection) {
  HttpServer* server = ServerOf(connection);
  if (!server) return 0;
  const mg_request_info* info = mg_get_request_info(connection);
  std::string method = info->request_method ? info->request_method : "";
  std::string target = info->request_uri ? info->request_uri : "";
  if (info->query_string) target += std::string("?") + info->query_string;
  Response response = server->site_.Answer(method, target);

  mg_response_header_start(connection, response.status);
  if (!response.contentType.empty()) mg_response_header_add(connection, "Content-Type", response.contentType.c_str(), -1);
  std::string length = std::to_string(response.body.size());
  mg_response_header_add(connection, "Content-Length", length.c_str(), -1);
  for (const auto* header = kSecurityHeaders; header->first; ++header)
    mg_response_header_add(connection, header->first, header->second, -1);
  for (const auto& [name, value] : response.headers) mg_response_header_add(connection, name.c_str(), value.c_str(), -1);
  mg_response_header_send(connection);
  if (method != "HEAD" && !response.body.empty()) {
    int sent = mg_write(connection, response.body.data(), response.body.size());
    // A client that did not take its answer in time gets no more: its
    // next requests would each hold a worker as long again.
    if (sent != static_cast<int>(response.body.size())) mg_disable_connection_keep_alive(connection);
  }
  return response.status;
}

int HttpServer::LogAccess(const mg_connection* connection, const char* message) {
  if (HttpServer* server = ServerOf(connection)) server->log_.Line(kLogRequests, message);
  return 1;
}

int HttpServer::LogMessage(const mg_connection* connection, const char* message) {
  if (HttpServer* server = ServerOf(connection)) server->log_.Line(kLogRequests, std::string("http: ") + message);
  return 1;
}

bool HttpServer::Start(const std::vector<ListenAddress>& listen, bool defaults, const std::vector<std::string>& allow,
                       std::string* error) {
  InitLibrary();
  bool ipv6 = mg_check_feature(kIpv6Feature) != 0;
  std::string ports;
  for (const ListenAddress& where : listen) {
    bool v6 = where.address.find(':') != std::string::npos;
    if (v6 && !ipv6) {
      if (!defaults) {
        *error = "LISTEN " + where.address + ": this build of CivetWeb has no IPv6";
        return false;
      }
      log_.Line(kLogFaults, "sem IPv6 nesta CivetWeb: " + where.address + " fica de fora");
      continue;
    }
    if (!ports.empty()) ports += ',';
    ports += v6 ? "[" + where.address + "]:" + where.port : where.address + ":" + where.port;
  }
  if (ports.empty()) {
    *error = "no address to listen on";
    return false;
  }
  std::string acl;
  if (!allow.empty()) {
    acl = "-0.0.0.0/0";
    for (const std::string& network : allow) acl += ",+" + network;
  }
  std::string workers = std::to_string(limits_.workers), requestBytes = std::to_string(limits_.requestBytes),
              requestTimeout = std::to_string(limits_.requestTimeoutMs),
              keepAlive = std::to_string(limits_.keepAliveTimeoutMs);
  std::vector<const char*> options = {
      "listening_ports",       ports.c_str(),
      "num_threads",           workers.c_str(),
      "max_request_size",      requestBytes.c_str(),
      "request_timeout_ms",    requestTimeout.c_str(),
      "keep_alive_timeout_ms", keepAlive.c_str(),
      "enable_keep_alive",     "yes",
      // Headers and body go in two writes: without this the second waits
      // for the client's delayed acknowledgement (some 40 ms).
      "tcp_nodelay",           "1",
      "decode_url",            "no",
      "enable_directory_listing", "no",
      // Accepted connections wait here for a worker; a few more than the
      // workers, so that a burst is taken off the listen queue at once.
      "connection_queue",      "64",
      "listen_backlog",        "512",
      // A refusal reaches a client that is still sending: its input is
      // drained for a moment before the close, rather than reset.
      "linger_timeout_ms",     "1000",
  };
  if (!acl.empty()) {
    options.push_back("access_control_list");
    options.push_back(acl.c_str());
  }
  options.push_back(nullptr);

  mg_callbacks callbacks{};
  callbacks.begin_request = &HttpServer::Handle;
  callbacks.log_message = &HttpServer::LogMessage;
  if (log_.Wants(kLogRequests)) callbacks.log_access = &HttpServer::LogAccess;
  mg_init_data init{};
  init.callbacks = &callbacks;
  init.user_data = this;
  init.configuration_options = options.data();
  mg_error_data failure{};
  char text[256] = "";
  failure.text = text;
  failure.text_buffer_size = sizeof text;
  context_ = mg_start2(&init, &failure);
  if (!context_) {
    *error = std::string("HTTP on ") + ports + ": " + (text[0] ? text : "CivetWeb could not start");
    return false;
  }
  return true;
}

void HttpServer::Stop() {
  if (context_) mg_stop(context_);
  context_ = nullptr;
}

std::vector<int> HttpServer::Ports() const {
  std::vector<int> ports;
  if (!context_) return ports;
  mg_server_port found[8];
  int n = mg_get_server_ports(context_, 8, found);
  for (int i = 0; i < n; ++i) ports.push_back(found[i].port);
  return ports;
}

}  // namespace web
