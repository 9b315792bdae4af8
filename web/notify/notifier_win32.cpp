// The channels (libcurl with Schannel) are built for Windows, but the
// registry has no settings for them yet, so the service runs without
// notifications and the test message says so.
#include "web/notify/notifier.h"

namespace web {

std::unique_ptr<Notifier> MakeNotifier(const WebSettings&, NotifyTell, std::string*) { return nullptr; }

bool SendTestNotice(const WebSettings&, const std::string& channel, std::string* report) {
  *report = channel + ": notificações ainda não disponíveis nesta versão para Windows";
  return false;
}

}  // namespace web
