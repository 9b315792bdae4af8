// The HTTP side, on CivetWeb: its listeners, its worker threads and its
// limits, every request handed to the Site. Hostile clients meet CivetWeb's
// limits as set here: a request line and headers over 8 KB are refused
// (4xx); a client that has not sent its whole request within 10 seconds,
// or that does not take an answer within 10 seconds, is closed; each
// connection has a worker thread of its own, enough of them that a
// thousand idle connections leave one free for a well-behaved client.
#pragma once

#include <string>
#include <vector>

#include "web/site.h"
#include "web/web_log.h"
#include "web/web_settings.h"

struct mg_context;
struct mg_connection;

namespace web {

struct HttpLimits {
  int workers = 1100;
  int requestBytes = 8192;        // request line and headers
  int requestTimeoutMs = 10000;   // to send the request, and to take each answer
  int keepAliveTimeoutMs = 2000;  // between requests on one connection
};

class HttpServer {
 public:
  HttpServer(const Site& site, WebLog& log, HttpLimits limits = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on `listen` for the clients of `allow` (empty: all); false with
  // `error`. Addresses of a kind the library cannot take (IPv6 without its
  // support) are left out with a note in the log when they are the
  // defaults, and refused when they were asked for.
  bool Start(const std::vector<ListenAddress>& listen, bool defaults, const std::vector<std::string>& allow,
             std::string* error);
  void Stop();

  // Ports the listeners have (for a port 0 asked for).
  std::vector<int> Ports() const;

 private:
  // Every request, from the moment the listeners open: CivetWeb's
  // begin_request, set before its start (a handler registered after it
  // would leave the first requests to CivetWeb's own 404).
  static int Handle(::mg_connection* connection);
  static HttpServer* ServerOf(const ::mg_connection* connection);
  static int LogAccess(const ::mg_connection* connection, const char* message);
  static int LogMessage(const ::mg_connection* connection, const char* message);

  const Site& site_;
  WebLog& log_;
  HttpLimits limits_;
  mg_context* context_ = nullptr;
};

// The security headers of every answer: nothing of the page may be framed,
// sniffed or sent elsewhere, and nothing but its own scripts runs.
extern const std::pair<const char*, const char*> kSecurityHeaders[];

}  // namespace web
