#include "launcher/launcher.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win1252.h"
#include "launcher/arquivos.h"
#include "platform/directories.h"

namespace launcher {
namespace {

constexpr int kShowHide = 0;
constexpr int kShowNormal = 1;

const char* const kCannotRun = "Não foi possível executar o comando %s"_w1252;
const char* const kNoPdfReader =
    "Não foi possível abrir o arquivo %s. Por favor, verifique se há um leitor de PDFs instalado no computador."_w1252;
const char* const kNoTextReader =
    "Não foi possível abrir o arquivo %s. Para realizar a leitura será necessário abrí-lo diretamente através de um "
    "editor de textos."_w1252;

bool Failed(intptr_t result) { return result <= 32; }

}  // namespace

std::string FormatMessage(const char* format, const std::string& value) {
  size_t longest = 0;
  for (const char* t : {kCannotRun, kNoPdfReader, kNoTextReader}) longest = std::max(longest, std::strlen(t));
  std::vector<char> buffer(longest + platform::MaxPathBytes() + 1);
  std::snprintf(buffer.data(), buffer.size(), format, value.c_str());
  return buffer.data();
}

void RunLauncher(const std::string& tail, LauncherSystem& system) {
  if (tail.empty()) {
    system.Box(kErrorCaption, "Quantidade de parâmetros insuficiente."_w1252, kErrorStyle);
    return;
  }
  Entries entries;
  std::string text;
  if (system.ReadConfiguration(&text))
    entries = ParseArquivos(text);
  else
    system.Box("ERRO", "Erro na abertura do arquivo de configuração do autorun!"_w1252, 0);

  const std::string& value = entries[tail];  // a missing key reads as empty
  if (value.size() < 2) {
    system.Box(kErrorCaption, "Erro na extensão do arquivo"_w1252, kErrorStyle);
    return;
  }
  std::string extension = ExtensionOf(value);
  if (extension == "exe") {
    if (Failed(system.Open(value.c_str(), nullptr, kShowHide)))
      system.Box(kErrorCaption, FormatMessage(kCannotRun, value).c_str(), kErrorStyle);
  } else if (extension == "pdf") {
    if (Failed(system.Open(value.c_str(), nullptr, kShowHide)) &&
        Failed(system.Open(value.c_str(), nullptr, kShowHide)))
      system.Box(kErrorCaption, FormatMessage(kNoPdfReader, value).c_str(), kErrorStyle);
  } else if (extension == "my" || extension == "txt") {
    if (Failed(system.Open("notepad.exe", value.c_str(), kShowNormal)))
      system.Box(kErrorCaption, FormatMessage(kNoTextReader, value).c_str(), kErrorStyle);
  } else if (Failed(system.Open(value.c_str(), nullptr, kShowHide))) {
    system.Box(kErrorCaption, "Não foi possível executar o comando desejado!!"_w1252, kErrorStyle);
    system.Box(kErrorCaption, value.c_str(), kErrorStyle);
  }
}

}  // namespace launcher
