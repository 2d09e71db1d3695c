// A network provider for Wine's mpr.dll that plays the SMB redirector of a
// Windows PC, so that WNetAddConnection2A, WNetCancelConnection2A and
// WNetOpenEnumA run for real in the tests. What the network offers and what
// the workstation holds lives in a text file, read at every call and written
// back after every change, so that every process of the prefix (the test
// program, tessavue.exe, the harness) sees one network:
//
//   share \\box\public alice s3cret   the share, its user and password
//   share \\box\open - -              a share anyone may use
//   away box                          the server does not answer
//   open E:                           a program keeps a file open on E:
//   answer add \\box\beta 1222        this answer to that call ("*": any)
//   answer cancel E: 2401
//   conn E: \\box\public alice        what is connected (written here);
//   conn - \\box\public -             "-": no letter, default credentials
//
// Its path is in TESSAVUE_PROVIDER_STATE; every call is appended to the file
// named by TESSAVUE_PROVIDER_RECORD, one line each:
//
//   add local=E: remote=\\box\public user=alice password=given flags=1 -> 0
//   cancel name=E: force=0 -> 2401
//
// (user=(none) and password=none for a null pointer, password=empty for "").
// A connected letter is defined in Wine's mount manager as a network drive
// whose mount point is "unc/server/share" (a folder made for it in the
// prefix's dosdevices), which is how Wine's WNetGetConnectionA and
// GetDriveTypeA see it; a cancelled one is removed again, folders and all.
#include <windows.h>
#include <winioctl.h>
#include <winnetwk.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// What NPGetCaps is asked and answers (npapi.h, which declares the entry
// points without C linkage).
constexpr DWORD kCapsSpecVersion = 0x01, kSpecVersion51 = 0x00050001;
constexpr DWORD kCapsNetType = 0x02;
constexpr DWORD kCapsConnection = 0x06, kAddConnection = 0x01, kCancelConnection = 0x02,
                kAddConnection3 = 0x08;
constexpr DWORD kCapsEnumeration = 0x0B, kEnumLocal = 0x02;

// Wine's mount manager extension (include/ddk/mountmgr.h in Wine).
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(static_cast<DWORD>('m'), 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct MountmgrUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};

const wchar_t kProviderName[] = L"Tessavue Test Network";

struct Connection {
  std::string local;  // "E:", or "-" for none
  std::string remote;
  std::string user;  // "-": the default credentials
};

struct State {
  std::vector<std::string> lines;  // everything but the connections, as read
  std::vector<Connection> connections;
};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool Same(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string Narrow(const wchar_t* text) {
  if (!text) return {};
  int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(length > 0 ? length - 1 : 0, '\0');
  if (length > 1) WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), length, nullptr, nullptr);
  return out;
}

std::string Env(const char* name) {
  char value[1024] = {};
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? value : "";
}

State Load() {
  State state;
  std::ifstream in(Env("TESSAVUE_PROVIDER_STATE"));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string kind;
    Connection c;
    if (words >> kind && kind == "conn" && words >> c.local >> c.remote >> c.user)
      state.connections.push_back(c);
    else if (!line.empty())
      state.lines.push_back(line);
  }
  return state;
}

void Save(const State& state) {
  std::ofstream out(Env("TESSAVUE_PROVIDER_STATE"), std::ios::trunc);
  for (const std::string& line : state.lines) out << line << '\n';
  for (const Connection& c : state.connections)
    out << "conn " << c.local << ' ' << c.remote << ' ' << c.user << '\n';
}

void Record(const std::string& line) {
  std::string path = Env("TESSAVUE_PROVIDER_RECORD");
  if (path.empty()) return;
  std::ofstream out(path, std::ios::app);
  out << line << '\n';
}

// The words of the first line of `state` that starts with `kind`, and whose
// second word is `name` (ignoring case) or "*".
std::vector<std::string> Rule(const State& state, const std::string& kind,
                              const std::string& name) {
  for (const std::string& line : state.lines) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.size() >= 2 && words[0] == kind && (words[1] == "*" || Same(words[1], name)))
      return words;
  }
  return {};
}

// The forced answer to `call` ("add", "cancel") on `name`, or -1.
long Forced(const State& state, const std::string& call, const std::string& name) {
  for (const std::string& line : state.lines) {
    std::istringstream in(line);
    std::string kind, which, target;
    long code = -1;
    if (in >> kind >> which >> target >> code && kind == "answer" && which == call &&
        (target == "*" || Same(target, name)))
      return code;
  }
  return -1;
}

bool IsLetter(const std::string& name) {
  return name.size() == 2 && name[1] == ':' && Upper(name[0]) >= 'A' && Upper(name[0]) <= 'Z';
}

// "server" and "share" of "\\server\share"; false for anything else.
bool Split(const std::string& remote, std::string& server, std::string& share) {
  if (remote.size() < 5 || remote.compare(0, 2, "\\\\") != 0) return false;
  std::size_t cut = remote.find('\\', 2);
  if (cut == std::string::npos || cut == 2 || cut + 1 >= remote.size()) return false;
  server = remote.substr(2, cut - 2);
  share = remote.substr(cut + 1);
  return share.find_first_of("\\/") == std::string::npos && server.find('/') == std::string::npos;
}

std::string ServerOf(const std::string& remote) {
  std::string server, share;
  return Split(remote, server, share) ? server : "";
}

// The folder of the prefix's dosdevices that a connected letter's mount
// point names, as a Windows path (Wine shows the Unix root as Z:).
std::string UncFolder(const std::string& server, const std::string& share) {
  std::string prefix = Env("WINEPREFIX");
  if (prefix.empty()) return {};
  return "Z:" + prefix + "/dosdevices/unc/" + server + "/" + share;
}

bool DefineDrive(char letter, ULONG type, const std::string& mountPoint) {
  std::vector<char> buffer(sizeof(MountmgrUnixDrive) + mountPoint.size() + 1, '\0');
  auto* drive = reinterpret_cast<MountmgrUnixDrive*>(buffer.data());
  drive->size = static_cast<ULONG>(buffer.size());
  drive->type = type;
  drive->letter = static_cast<WCHAR>(letter);
  if (!mountPoint.empty()) {
    drive->mountPointOffset = sizeof(MountmgrUnixDrive);
    std::memcpy(buffer.data() + sizeof(MountmgrUnixDrive), mountPoint.c_str(), mountPoint.size());
  }
  HANDLE manager =
      CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, buffer.data(),
                            static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

void MountLetter(const Connection& c) {
  std::string server, share;
  Split(c.remote, server, share);
  std::string folder = UncFolder(server, share);
  if (!folder.empty()) {
    std::string unc = folder.substr(0, folder.rfind("/unc/") + 4);
    CreateDirectoryA(unc.c_str(), nullptr);
    CreateDirectoryA((unc + "/" + server).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  DefineDrive(c.local[0], DRIVE_REMOTE, "unc/" + server + "/" + share);
}

// Removes the letter and the folders of its mount point that nothing else
// uses (RemoveDirectory leaves a folder that is not empty).
void UnmountLetter(const Connection& c) {
  DefineDrive(c.local[0], DRIVE_NO_ROOT_DIR, "");
  std::string server, share;
  Split(c.remote, server, share);
  std::string folder = UncFolder(server, share);
  if (folder.empty()) return;
  RemoveDirectoryA(folder.c_str());
  RemoveDirectoryA(folder.substr(0, folder.rfind('/')).c_str());
  RemoveDirectoryA(folder.substr(0, folder.rfind("/unc/") + 4).c_str());
}

bool Remembered(char letter) {
  char key[] = "Network\\?";
  key[8] = letter;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// The user a connection that is up holds the server under ("" for none).
std::string SessionUser(const State& state, const std::string& server) {
  for (const Connection& c : state.connections)
    if (Same(ServerOf(c.remote), server) && c.user != "-") return c.user;
  return {};
}

// Where a letter may not go: 0 when it may.
DWORD LetterRefusal(const State& state, const std::string& local, DWORD flags) {
  if (!IsLetter(local)) return ERROR_BAD_DEVICE;
  for (const Connection& c : state.connections)
    if (Same(c.local, local)) return ERROR_ALREADY_ASSIGNED;
  char root[4] = {local[0], ':', '\\', '\0'};
  if (GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR) return ERROR_ALREADY_ASSIGNED;
  if ((flags & CONNECT_UPDATE_PROFILE) && Remembered(Upper(local[0])))
    return ERROR_DEVICE_ALREADY_REMEMBERED;
  return 0;
}

// Whether the credentials let the user in, as Windows checks them: first one
// user name per server, then the share's own user and password. Null ones
// are those of the server's session, when there is one. `user` gets the
// user the connection is made under.
DWORD Credentials(const State& state, const std::vector<std::string>& share,
                  const wchar_t* password, const wchar_t* userName, std::string& user) {
  std::string server = ServerOf(share[1]);
  std::string session = SessionUser(state, server);
  user = Narrow(userName);
  if (!user.empty() && !session.empty() && !Same(user, session))
    return ERROR_SESSION_CREDENTIAL_CONFLICT;
  if (share.size() < 4 || share[2] == "-") {
    if (user.empty()) user = session.empty() ? "-" : session;
    return 0;
  }
  bool fromSession = !userName && !password && Same(session, share[2]);
  if (!fromSession && (!Same(user, share[2]) || !password || Narrow(password) != share[3]))
    return ERROR_INVALID_PASSWORD;
  if (user.empty()) user = session;
  return 0;
}

DWORD Add(const std::string& local, const std::string& remote, const wchar_t* password,
          const wchar_t* userName, DWORD flags) {
  State state = Load();
  long forced = Forced(state, "add", remote);
  if (forced >= 0) return static_cast<DWORD>(forced);
  // The letter first: the workstation knows it without asking the network.
  if (!local.empty()) {
    if (DWORD refusal = LetterRefusal(state, local, flags)) return refusal;
  }
  std::string server, shareName;
  if (!Split(remote, server, shareName)) return ERROR_BAD_NET_NAME;
  if (!Rule(state, "away", server).empty()) return ERROR_BAD_NETPATH;
  std::vector<std::string> share = Rule(state, "share", remote);
  if (share.empty()) return ERROR_BAD_NET_NAME;
  std::string user;
  if (DWORD refusal = Credentials(state, share, password, userName, user)) return refusal;
  Connection c{local.empty() ? "-" : local, remote, user};
  if (local.empty()) {
    for (const Connection& other : state.connections)
      if (other.local == "-" && Same(other.remote, remote)) return NO_ERROR;  // the same one
  } else {
    c.local[0] = Upper(c.local[0]);
    MountLetter(c);
  }
  state.connections.push_back(c);
  Save(state);
  return NO_ERROR;
}

DWORD Cancel(const std::string& name, BOOL force) {
  State state = Load();
  long forced = Forced(state, "cancel", name);
  if (forced >= 0) return static_cast<DWORD>(forced);
  bool letter = IsLetter(name);
  for (auto it = state.connections.begin(); it != state.connections.end(); ++it) {
    bool match = letter ? Same(it->local, name) : (it->local == "-" && Same(it->remote, name));
    if (!match) continue;
    if (letter && !force && !Rule(state, "open", name).empty()) return ERROR_OPEN_FILES;
    if (letter) UnmountLetter(*it);
    state.connections.erase(it);
    // Closing the connection closes its files.
    std::erase_if(state.lines,
                  [&](const std::string& line) { return letter && Same(line, "open " + name); });
    Save(state);
    return NO_ERROR;
  }
  // A remembered connection that is not up goes without a word (mpr.dll
  // then forgets it).
  if (letter && Remembered(Upper(name[0]))) return NO_ERROR;
  return ERROR_NOT_CONNECTED;
}

std::string Shown(const wchar_t* text, const char* none) {
  if (!text) return none;
  return *text ? Narrow(text) : "";
}

struct Enumeration {
  std::vector<Connection> connections;
  std::size_t next = 0;
};

}  // namespace

extern "C" {

__declspec(dllexport) DWORD APIENTRY NPGetCaps(DWORD index) {
  switch (index) {
    case kCapsSpecVersion: return kSpecVersion51;
    case kCapsNetType: return WNNC_NET_SMB;
    case kCapsConnection: return kAddConnection | kAddConnection3 | kCancelConnection;
    case kCapsEnumeration: return kEnumLocal;
    default: return 0;
  }
}

__declspec(dllexport) DWORD APIENTRY
    NPAddConnection3(HWND, LPNETRESOURCEW resource, LPWSTR password, LPWSTR userName, DWORD flags) {
  if (!resource) return ERROR_INVALID_PARAMETER;
  std::string local = Narrow(resource->lpLocalName);
  std::string remote = Narrow(resource->lpRemoteName);
  DWORD result = Add(local, remote, password, userName, flags);
  char passwordShown[8] = "given";
  if (!password)
    std::strcpy(passwordShown, "none");
  else if (!*password)
    std::strcpy(passwordShown, "empty");
  Record("add local=" + local + " remote=" + remote + " user=" + Shown(userName, "(none)") +
         " password=" + passwordShown + " flags=" + std::to_string(flags) +
         " type=" + std::to_string(resource->dwType) +
         " provider=" + Shown(resource->lpProvider, "(none)") + " -> " + std::to_string(result));
  return result;
}

__declspec(dllexport) DWORD APIENTRY
    NPAddConnection(LPNETRESOURCEW resource, LPWSTR password, LPWSTR userName) {
  return NPAddConnection3(nullptr, resource, password, userName, 0);
}

__declspec(dllexport) DWORD APIENTRY NPCancelConnection(LPWSTR name, BOOL force) {
  std::string text = Narrow(name);
  DWORD result = Cancel(text, force);
  Record("cancel name=" + text + " force=" + std::to_string(force ? 1 : 0) + " -> " +
         std::to_string(result));
  return result;
}

__declspec(dllexport) DWORD APIENTRY
    NPOpenEnum(DWORD scope, DWORD, DWORD, LPNETRESOURCEW, LPHANDLE handle) {
  if (scope != RESOURCE_CONNECTED) return WN_NOT_SUPPORTED;
  auto* enumeration = new Enumeration;
  enumeration->connections = Load().connections;
  *handle = enumeration;
  return WN_SUCCESS;
}

__declspec(dllexport) DWORD APIENTRY
    NPEnumResource(HANDLE handle, LPDWORD count, LPVOID buffer, LPDWORD size) {
  auto* e = static_cast<Enumeration*>(handle);
  if (e->next >= e->connections.size()) return WN_NO_MORE_ENTRIES;
  auto* out = static_cast<NETRESOURCEW*>(buffer);
  DWORD wanted = *count, made = 0;
  // The records from the start of the buffer, their texts from its end.
  char* end = static_cast<char*>(buffer) + *size;
  while (e->next < e->connections.size() && made < wanted) {
    const Connection& c = e->connections[e->next];
    std::wstring local(c.local == "-" ? L"" : std::wstring(c.local.begin(), c.local.end()));
    std::wstring remote(c.remote.begin(), c.remote.end());
    std::size_t bytes =
        sizeof(NETRESOURCEW) + (local.size() + remote.size() + 2) * 2 + sizeof kProviderName;
    if (reinterpret_cast<char*>(out + made) + bytes > end) break;
    NETRESOURCEW& r = out[made];
    r = NETRESOURCEW{};
    r.dwScope = RESOURCE_CONNECTED;
    r.dwType = RESOURCETYPE_DISK;
    auto put = [&](const std::wstring& text) {
      end -= (text.size() + 1) * 2;
      std::memcpy(end, text.c_str(), (text.size() + 1) * 2);
      return reinterpret_cast<LPWSTR>(end);
    };
    r.lpLocalName = put(local);
    r.lpRemoteName = put(remote);
    r.lpProvider = put(kProviderName);
    ++made;
    ++e->next;
  }
  if (made == 0) return WN_MORE_DATA;
  *count = made;
  return WN_SUCCESS;
}

__declspec(dllexport) DWORD APIENTRY NPCloseEnum(HANDLE handle) {
  delete static_cast<Enumeration*>(handle);
  return WN_SUCCESS;
}

// For the tests: `server` stops answering. Its connections drop (their
// letters leave the mount manager) and the remembered ones stay, as when a
// device is switched off under a mapped letter.
__declspec(dllexport) void APIENTRY TessavueProviderServerAway(const char* server) {
  State state = Load();
  state.lines.push_back(std::string("away ") + server);
  std::erase_if(state.connections, [&](const Connection& c) {
    if (!Same(ServerOf(c.remote), server)) return false;
    if (c.local != "-") UnmountLetter(c);
    return true;
  });
  Save(state);
}

}  // extern "C"
