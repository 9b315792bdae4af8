// The webhook channel's libcurl against a real HTTP server of the test's own
// on loopback (CivetWeb, which vigil-web links anyway), on both systems: on
// Windows this is the static Schannel libcurl, under Wine.
#include <gtest/gtest.h>

#include <civetweb.h>

#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "web/notify/curl_send.h"
#include "web/notify/notice_text.h"
#include "web/notify/notify_hub.h"

namespace web {
namespace {

// Records every POST and answers with the status and text it is given.
class WebhookServer {
 public:
  WebhookServer(int status, std::string answer) : status_(status), answer_(std::move(answer)) {
    mg_init_library(0);
    const char* options[] = {"listening_ports", "127.0.0.1:0", "num_threads", "2", nullptr};
    mg_callbacks callbacks{};
    context_ = mg_start(&callbacks, nullptr, options);
    if (!context_) return;
    mg_set_request_handler(context_, "/", &WebhookServer::Handle, this);
    mg_server_port ports[2];
    if (mg_get_server_ports(context_, 2, ports) >= 1) port_ = ports[0].port;
  }
  ~WebhookServer() {
    if (context_) mg_stop(context_);
  }

  int port() const { return port_; }

  struct Request {
    std::string method, uri, contentType, token, body;
  };
  std::vector<Request> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  static int Handle(mg_connection* connection, void* self) {
    return static_cast<WebhookServer*>(self)->Answer(connection);
  }
  int Answer(mg_connection* connection) {
    const mg_request_info* info = mg_get_request_info(connection);
    Request request;
    request.method = info->request_method;
    request.uri = info->local_uri ? info->local_uri : "";
    const char* type = mg_get_header(connection, "Content-Type");
    const char* token = mg_get_header(connection, "X-Token");
    request.contentType = type ? type : "";
    request.token = token ? token : "";
    char chunk[4096];
    int n;
    while ((n = mg_read(connection, chunk, sizeof chunk)) > 0) request.body.append(chunk, static_cast<size_t>(n));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    std::string reply = "HTTP/1.1 " + std::to_string(status_) +
                        " Answer\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(answer_.size()) +
                        "\r\nConnection: close\r\n\r\n" + answer_;
    mg_write(connection, reply.data(), reply.size());
    return status_;
  }

  int status_;
  std::string answer_;
  mg_context* context_ = nullptr;
  int port_ = 0;
  std::mutex mutex_;
  std::vector<Request> requests_;
};

WebhookChannel ChannelTo(int port) {
  WebhookChannel channel;
  channel.url = "http://127.0.0.1:" + std::to_string(port) + "/avisos/vigil";
  channel.headers = {"X-Token: segredo-123"};
  return channel;
}

TEST(WebhookOnLoopback, TheServerReceivesTheJsonWithTheUsersHeaders) {
  StartCurl();
  WebhookServer server(200, "ok");
  ASSERT_NE(server.port(), 0) << "the test's HTTP server did not start";
  std::string json = WebhookJson(TestBurst());

  SendOutcome outcome = PostWebhook(ChannelTo(server.port()), "", json);

  EXPECT_TRUE(outcome.accepted) << outcome.answer;
  EXPECT_EQ(outcome.answer, "HTTP 200: ok");
  std::vector<WebhookServer::Request> got = server.requests();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].method, "POST");
  EXPECT_EQ(got[0].uri, "/avisos/vigil");
  EXPECT_EQ(got[0].contentType, "application/json; charset=utf-8");
  EXPECT_EQ(got[0].token, "segredo-123");
  EXPECT_EQ(got[0].body, json);
  EXPECT_TRUE(nlohmann::json::accept(got[0].body));
}

TEST(WebhookOnLoopback, ARefusalIsReportedAsTheServersExactAnswerAndAnAbsentServerByLibcurl) {
  StartCurl();
  int freedPort = 0;
  {
    WebhookServer server(500, "fila cheia, tente depois");
    ASSERT_NE(server.port(), 0) << "the test's HTTP server did not start";
    SendOutcome outcome = PostWebhook(ChannelTo(server.port()), "", WebhookJson(TestBurst()));
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(outcome.answer, "HTTP 500: fila cheia, tente depois");
    EXPECT_EQ(server.requests().size(), 1u);
    freedPort = server.port();
  }
  // The same port once the server is gone: nobody answers.
  SendOutcome outcome = PostWebhook(ChannelTo(freedPort), "", WebhookJson(TestBurst()));
  EXPECT_FALSE(outcome.accepted);
  EXPECT_FALSE(outcome.answer.empty());
  EXPECT_EQ(outcome.answer.find("HTTP "), std::string::npos) << outcome.answer;
}

}  // namespace
}  // namespace web
