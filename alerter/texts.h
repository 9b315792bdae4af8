// The monitoring program's own texts, in Windows-1252: \xE1 á, \xE2 â,
// \xE3 ã, \xE7 ç, \xE9 é, \xEA ê, \xED í, \xF5 õ. A hex escape is cut off
// with "" where a hex digit follows it.
#pragma once

namespace texts {

inline constexpr const char* kBoxTitle = "Alerta";
inline constexpr const char* kWindowTitle = "Supervis\xE3o do NoBreak";
inline constexpr const char* kServiceName = "Vigil20";
inline constexpr const char* kDisplayName = "Vigil 2.0";
inline constexpr const char* kMutexName = "vigil20_semaph";
inline constexpr const char* kConfigNotifyMessage = "Vigil_Config_Change_Notify";
inline constexpr const char* kPipeName = "\\\\.\\pipe\\vigil20_pipe";
inline constexpr const char* kPipeSecurity =
    "D:(A;OICI;GRGWGX;;;BG)(D;OICI;GA;;;AN)(A;OICI;GRGWGX;;;AU)(A;OICI;GA;;;BA)";

// Start-up.
inline constexpr const char* kAlreadyRunning = "Uma inst\xE2ncia do Vigil 2.0 j\xE1 est\xE1 rodando.";
inline constexpr const char* kDefaultSettings =
    "Aten\xE7\xE3o: A supervis\xE3o do NoBreak est\xE1 operando com as configura\xE7\xF5"
    "es default!\n"
    "Voc\xEA deve ajustar os par\xE2metros deste servi\xE7o no painel de controle para obter\n"
    "um funcionamento adequado.";
inline constexpr const char* kEventFileFailed = "Erro na abertura do arquivo de eventos!";
inline constexpr const char* kNoComMode =
    "Nenhum modo de comunica\xE7\xE3o com o NoBreak est\xE1 configurado, o Vigil ser\xE1 encerrado.";
inline constexpr const char* kPortFailed = "N\xE3o foi poss\xEDvel abrir a porta de comunica\xE7\xE3o COM%d";
inline constexpr const char* kSignallingFailed = "Falha de sinaliza\xE7\xE3o na porta serial";
inline constexpr const char* kNoBroadcast =
    "N\xE3o h\xE1 nenhum protocolo de rede instalado com suporte a \"broadcast\".\n"
    "Verifique a documenta\xE7\xE3o sobre os protocolos suportados.";
inline constexpr const char* kSenderFailed =
    "N\xE3o foi poss\xEDvel abrir a conex\xE3o de rede para sinaliza\xE7\xE3o remota.";
inline constexpr const char* kListenerFailed =
    "N\xE3o foi poss\xEDvel abrir a conex\xE3o de rede.\nUma inst\xE2ncia do servi\xE7o pode j\xE1 estar rodando.";
inline constexpr const char* kNoShutdownPrivilege =
    "Nao foi poss\xEDvel obter privil\xE9gios para desligar este computador.\n"
    "Os desligamentos autom\xE1ticos n\xE3o ser\xE3o efetuados.";
inline constexpr const char* kHostNameFailed = "CSocketBind: Erro em gethostname(): %d";
// Datagrams with the network's key ("Net Key").
inline constexpr const char* kNotificationRefused = "Notifica\xE7\xE3o de %s recusada: %s\n";
inline constexpr const char* kRefusalsNoLongerTold =
    "Outras notifica\xE7\xF5"
    "es recusadas ser\xE3o apenas contadas.\n";
inline constexpr const char* kSigningFailed =
    "Erro: a notifica\xE7\xE3o n\xE3o p\xF4"
    "de ser assinada.\n";
// The port's lines, lost (a pulled adapter) and back.
inline constexpr const char* kLinesLost =
    "Comunica\xE7\xE3o com o NoBreak perdida: as linhas da porta COM%d n\xE3o podem ser lidas; a porta ser\xE1 "
    "reaberta.";
inline constexpr const char* kLinesBack = "Comunica\xE7\xE3o com o NoBreak restabelecida na porta COM%d.";
// A USB UPS ("UsbPort"), read as the system's battery.
inline constexpr const char* kUsbNameInvalid = "Nome de NoBreak USB inv\xE1lido: \"%s\"";
inline constexpr const char* kUsbNotFound = "Nenhum NoBreak USB foi encontrado (%s): %s";
inline constexpr const char* kUsbFound = "NoBreak USB (%s): %s, lido como bateria do sistema.\n";
inline constexpr const char* kUsbLost = "Comunica\xE7\xE3o com o NoBreak USB (%s) perdida: %s.";
inline constexpr const char* kUsbBack = "Comunica\xE7\xE3o com o NoBreak USB (%s) restabelecida: %s.";
inline constexpr const char* kFiguresNotWritten = "N\xE3o foi poss\xEDvel gravar as medidas do NoBreak em %s: %s.\n";

// The signalling-fault question.
inline constexpr const char* kCableQuestion =
    "O Vigil 2.0 detectou que todos os alarmes est\xE3o ativos.\n"
    "Esta situa\xE7\xE3o pode ocorrer em alguns casos, mas em geral indica uma falha ou aus\xEAncia do cabo de "
    "conex\xE3o do PC ao NoBreak.\n"
    "Deseja encerrar o servi\xE7o e verificar o cabo?";

// The status pipe.
inline constexpr const char* kSecurityFailed =
    "Falha na convers\xE3o da string de seguran\xE7"
    "a.\nErro: %d";
inline constexpr const char* kPipeCreationFailed =
    "Falha na cri\xE7\xE3o do canal de comunica\xE7\xE3o com o supervisor.\nErro: %d";
inline constexpr const char* kHandlerFailed =
    "Falha na cria\xE7\xE3o do servidor de informa\xE7\xF5"
    "es locais.\nErro: %d";
inline constexpr const char* kReplyFailed = "Falha no envio dos dados ao supervisor.";
inline constexpr const char* kUnknownRequest = "Soicita\xE7\xE3o do supervisor desconhecida.";


}  // namespace texts
