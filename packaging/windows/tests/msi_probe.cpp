// The installer tests' helper under Wine, for what a batch file cannot do:
//   msi_probe events CODE SECONDS   waits until the newest record of the event
//                                   file in the Windows directory has CODE
//   msi_probe service NAME STATE SECONDS [EXIT_CODE]
//                                   waits until the service is in STATE
//                                   (running or stopped), with EXIT_CODE
//   msi_probe agent AUTONOMY        finds the extension agent as the SNMP
//                                   service does and reads its nominal
//                                   autonomy, which must be AUTONOMY
//   msi_probe acl KEY               prints the access list of HKLM\KEY
//   msi_probe http PORT PATH TEXT SECONDS
//                                   waits until GET PATH on 127.0.0.1:PORT
//                                   answers 200 with TEXT in its body
// Each prints what it saw; the status is 0 when the check holds.
#include <winsock2.h>
#include <windows.h>
#include <sddl.h>
#include <snmp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using InitFunction = BOOL(WINAPI*)(DWORD, HANDLE*, AsnObjectIdentifier*);
using QueryFunction = BOOL(WINAPI*)(BYTE, SnmpVarBindList*, AsnInteger32*, AsnInteger32*);

std::vector<int32_t> EventCodes() {
  char windows[MAX_PATH];
  UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  std::vector<int32_t> codes;
  if (length == 0 || length >= sizeof windows) return codes;
  std::string path = std::string(windows) + "\\EvtVigil20.dat";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return codes;
  unsigned char record[28];
  DWORD got = 0;
  while (ReadFile(file, record, sizeof record, &got, nullptr) && got == sizeof record) {
    uint32_t code = 0;
    for (int i = 3; i >= 0; --i) code = (code << 8) | record[24 + i];
    codes.push_back(static_cast<int32_t>(code));
  }
  CloseHandle(file);
  return codes;
}

int WaitForEvent(int code, int seconds) {
  std::vector<int32_t> codes;
  for (DWORD start = GetTickCount();;) {
    codes = EventCodes();
    if (!codes.empty() && codes.back() == code) break;
    if (GetTickCount() - start > static_cast<DWORD>(seconds) * 1000) break;
    Sleep(200);
  }
  std::printf("events:");
  for (int32_t c : codes) std::printf(" %d", static_cast<int>(c));
  std::printf("\n");
  return !codes.empty() && codes.back() == code ? 0 : 1;
}

int WaitForService(const char* name, const char* state, int seconds, long exitCode) {
  DWORD wanted = std::strcmp(state, "running") == 0 ? SERVICE_RUNNING : SERVICE_STOPPED;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) {
    std::printf("service %s: no service manager (%lu)\n", name, GetLastError());
    return 1;
  }
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
  if (!service) {
    std::printf("service %s: cannot be opened (%lu)\n", name, GetLastError());
    CloseServiceHandle(manager);
    return 1;
  }
  SERVICE_STATUS status{};
  for (DWORD start = GetTickCount();;) {
    if (!QueryServiceStatus(service, &status)) status.dwCurrentState = 0;
    bool reached =
        status.dwCurrentState == wanted && (exitCode < 0 || status.dwWin32ExitCode == static_cast<DWORD>(exitCode));
    if (reached || GetTickCount() - start > static_cast<DWORD>(seconds) * 1000) break;
    Sleep(200);
  }
  std::printf("service %s: state %lu, exit code %lu\n", name, status.dwCurrentState, status.dwWin32ExitCode);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return status.dwCurrentState == wanted && (exitCode < 0 || status.dwWin32ExitCode == static_cast<DWORD>(exitCode))
             ? 0
             : 1;
}

// The agent's answer to GET of `oid`, -1 when it fails.
int32_t Get(QueryFunction query, const std::vector<UINT>& oid) {
  SnmpVarBindList list{};
  list.len = 1;
  list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(sizeof(SnmpVarBind)));
  if (!list.list) return -1;
  std::memset(list.list, 0, sizeof(SnmpVarBind));
  AsnObjectIdentifier name{static_cast<UINT>(oid.size()), const_cast<UINT*>(oid.data())};
  SnmpUtilOidCpy(&list.list[0].name, &name);
  list.list[0].value.asnType = ASN_NULL;
  AsnInteger32 status = -1, index = -1;
  int32_t value = -1;
  if (query(SNMP_PDU_GET, &list, &status, &index) && status == SNMP_ERRORSTATUS_NOERROR &&
      list.list[0].value.asnType == ASN_INTEGER)
    value = list.list[0].value.asnValue.number;
  SnmpUtilVarBindListFree(&list);
  return value;
}

// One extension agent named in the list: its key, its Pathname, its DLL.
bool TryAgent(const char* entry, const char* subkey, int32_t autonomy) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    std::printf("agent %s: no key HKLM\\%s\n", entry, subkey);
    return false;
  }
  char stored[MAX_PATH] = "", path[MAX_PATH] = "";
  DWORD type = 0, size = sizeof stored - 1;
  LONG status = RegQueryValueExA(key, "Pathname", nullptr, &type, reinterpret_cast<BYTE*>(stored), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    std::printf("agent %s: no Pathname in HKLM\\%s\n", entry, subkey);
    return false;
  }
  stored[size < sizeof stored ? size : sizeof stored - 1] = '\0';
  if (type == REG_EXPAND_SZ) {
    DWORD needed = ExpandEnvironmentStringsA(stored, path, sizeof path);
    if (needed == 0 || needed > sizeof path) {
      std::printf("agent %s: Pathname %s does not expand\n", entry, stored);
      return false;
    }
  } else {
    std::strcpy(path, stored);
  }
  HMODULE library = LoadLibraryA(path);
  if (!library) {
    std::printf("agent %s: %s does not load (%lu)\n", entry, path, GetLastError());
    return false;
  }
  auto init = reinterpret_cast<InitFunction>(reinterpret_cast<void*>(GetProcAddress(library, "SnmpExtensionInit")));
  auto query = reinterpret_cast<QueryFunction>(reinterpret_cast<void*>(GetProcAddress(library, "SnmpExtensionQuery")));
  if (!init || !query) {
    std::printf("agent %s: %s lacks SnmpExtensionInit or SnmpExtensionQuery\n", entry, path);
    return false;
  }
  HANDLE trapEvent = nullptr;
  AsnObjectIdentifier region{};
  if (!init(GetTickCount(), &trapEvent, &region)) {
    std::printf("agent %s: SnmpExtensionInit failed\n", entry);
    return false;
  }
  std::printf("agent %s: %s, region", entry, path);
  for (UINT i = 0; i < region.idLength; ++i) std::printf("%s%u", i ? "." : " ", region.ids[i]);
  const std::vector<UINT> prefix = {1, 3, 6, 1, 4, 1, 7491, 1, 1, 1};
  std::vector<UINT> nominal = prefix, rows = prefix;
  nominal.insert(nominal.end(), {1, 6});
  rows.insert(rows.end(), {3, 1});
  int32_t read = Get(query, nominal);
  std::printf(", nominal autonomy %d, event rows %d\n", static_cast<int>(read), static_cast<int>(Get(query, rows)));
  // The service keeps its agents loaded until it stops; so does this host.
  return read == autonomy;
}

int FindAgent(int32_t autonomy) {
  const char* list = "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents";
  HKEY agents = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, list, 0, KEY_QUERY_VALUE, &agents) != ERROR_SUCCESS) {
    std::printf("agent: no list HKLM\\%s\n", list);
    return 1;
  }
  bool found = false;
  for (DWORD i = 0;; ++i) {
    char name[256], data[256];
    DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
    LONG status = RegEnumValueA(agents, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    data[dataSize < sizeof data ? dataSize : sizeof data - 1] = '\0';
    if (TryAgent(name, data, autonomy)) found = true;
  }
  RegCloseKey(agents);
  if (!found) std::printf("agent: none answers nominal autonomy %d\n", static_cast<int>(autonomy));
  return found ? 0 : 1;
}

int PrintAccess(const char* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, READ_CONTROL, &key) != ERROR_SUCCESS) {
    std::printf("acl: no key HKLM\\%s\n", subkey);
    return 1;
  }
  std::vector<BYTE> descriptor(4096);
  DWORD size = static_cast<DWORD>(descriptor.size());
  LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size);
  RegCloseKey(key);
  char* text = nullptr;
  if (status != ERROR_SUCCESS || !ConvertSecurityDescriptorToStringSecurityDescriptorA(
                                     descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    std::printf("acl: HKLM\\%s cannot be read\n", subkey);
    return 1;
  }
  std::printf("acl: %s\n", text);
  LocalFree(text);
  return 0;
}

// One GET on a connection of its own: the whole answer, or "" when none.
std::string HttpGet(int port, const char* path) {
  SOCKET fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd == INVALID_SOCKET) return "";
  DWORD limit = 3000;
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<u_short>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
    std::string request = std::string("GET ") + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (send(fd, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
      char buffer[4096];
      for (int n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<size_t>(n));
    }
  }
  closesocket(fd);
  return answer;
}

int WaitForPage(int port, const char* path, const char* text, int seconds) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
  std::string answer;
  bool found = false;
  for (DWORD start = GetTickCount();;) {
    answer = HttpGet(port, path);
    found = answer.size() > 12 && answer.rfind("HTTP/1.", 0) == 0 && answer.compare(9, 3, "200") == 0 &&
            answer.find(text) != std::string::npos;
    if (found || GetTickCount() - start > static_cast<DWORD>(seconds) * 1000) break;
    Sleep(200);
  }
  WSACleanup();
  std::printf("http %d%s: %s\n", port, path,
              answer.empty() ? "no answer" : answer.substr(0, answer.find('\r')).c_str());
  return found ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "events" && argc == 4) return WaitForEvent(std::atoi(argv[2]), std::atoi(argv[3]));
  if (command == "service" && (argc == 5 || argc == 6))
    return WaitForService(argv[2], argv[3], std::atoi(argv[4]), argc == 6 ? std::atol(argv[5]) : -1);
  if (command == "agent" && argc == 3) return FindAgent(std::atoi(argv[2]));
  if (command == "acl" && argc == 3) return PrintAccess(argv[2]);
  if (command == "http" && argc == 6) return WaitForPage(std::atoi(argv[2]), argv[3], argv[4], std::atoi(argv[5]));
  std::fprintf(
      stderr,
      "usage: msi_probe events CODE SECONDS | service NAME running|stopped SECONDS [EXIT_CODE] | agent AUTONOMY |"
      " acl KEY | http PORT PATH TEXT SECONDS\n");
  return 2;
}
