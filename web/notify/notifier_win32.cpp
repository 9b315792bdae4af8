// The notifications are not built for Windows yet: libcurl with Schannel
// is not part of the cross-build, and the registry has no settings for
// them, so the service runs without.
#include "web/notify/notifier.h"

namespace web {

std::unique_ptr<Notifier> MakeNotifier(const WebSettings&, NotifyTell, std::string*) { return nullptr; }

bool SendTestNotice(const WebSettings&, const std::string& channel, std::string* report) {
  *report = channel + ": notificações ainda não disponíveis nesta versão para Windows";
  return false;
}

}  // namespace web
