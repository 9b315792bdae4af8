// VigilAgent20.dll's message table as the event viewer reads it: each
// message in English and in Portuguese, ending with CR LF. (Wine's event
// log itself keeps nothing to look at.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_host.h"

namespace {

std::string Message(HMODULE module, DWORD id, WORD language) {
  char text[256] = "";
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module, id,
                                MAKELANGID(language, language == LANG_PORTUGUESE ? SUBLANG_PORTUGUESE_BRAZILIAN
                                                                                 : SUBLANG_ENGLISH_US),
                                text, sizeof text, nullptr);
  return std::string(text, length);
}

TEST(AgentMessageTable, HasTheThreeMessagesInBothLanguages) {
  // As a data file: its set-up does not run.
  HMODULE module = LoadLibraryExA(NativePath(VIGIL_AGENT_LIBRARY).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(Message(module, 0x40000001, LANG_ENGLISH), "Agent started successfully.\r\n");
  EXPECT_EQ(Message(module, 0x40000002, LANG_ENGLISH), "Agent terminated.\r\n");
  EXPECT_EQ(Message(module, 0xC0000003, LANG_ENGLISH), "Agent failed to start.\r\n");
  EXPECT_EQ(Message(module, 0x40000001, LANG_PORTUGUESE), "Agente inicializado com sucesso.\r\n");
  EXPECT_EQ(Message(module, 0x40000002, LANG_PORTUGUESE), "Agente finalizado.\r\n");
  EXPECT_EQ(Message(module, 0xC0000003, LANG_PORTUGUESE), "Falha ao inicializar agente.\r\n");
  FreeLibrary(module);
}

}  // namespace
