// What a program that may run as a service says of its service commands,
// in Windows-1252 as its other texts.
#pragma once

namespace service_texts {

inline constexpr const char* kRegisterHandlerFailed = "RegisterServiceCtrlHandler failed";

// Results of the service commands.
inline constexpr const char* kInstalled = "Servi\xE7o instalado com sucesso.\n";
inline constexpr const char* kInstallFailed = "Erro ao instalar o servico: %s\n";
inline constexpr const char* kRemoved = "Servi\xE7o removido com sucesso.";
inline constexpr const char* kRemoveFailed = "Erro ao remover o servico: %s";
inline constexpr const char* kStarted = "Servi\xE7o iniciado com sucesso.";
inline constexpr const char* kStartFailed = "Erro ao iniciar o servico: %s";
inline constexpr const char* kStopped = "Servi\xE7o encerrado com sucesso.";
inline constexpr const char* kStopFailed = "Erro ao parar o servico: %s";

}  // namespace service_texts
