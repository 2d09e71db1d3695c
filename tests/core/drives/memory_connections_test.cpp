// The in-memory drive letters keep the promises of every NetworkConnections.
#include "memory_connections.h"

#include "connections_contract.h"

namespace tessavue {
namespace {

struct MemoryWorld {
  MemoryWorld() {
    for (const char* share : {"public", "alpha", "beta"}) ShareBack(share);
  }
  NetworkConnections& connections() { return net; }
  void ShareGone(const std::string& share) { net.RemoveShare("box", share); }
  void ShareBack(const std::string& share) { net.AddShare("box", share, "alice", "s3cret"); }
  void OpenFile(char letter) { net.SetOpenFiles(letter, true); }
  void CloseFiles(char letter) { net.SetOpenFiles(letter, false); }
  // Dropped now, but not forgotten (the profile keeps it).
  void ServerAway(char letter) { net.CancelConnection(std::string(1, letter) + ":", 0, true); }
  bool StillHeld(const std::string& share) {
    for (const std::string& name : net.LetterlessConnections())
      if (name == "\\\\box\\" + share) return true;
    return false;
  }

  MemoryConnections net;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, ConnectionsContract, MemoryWorld);

}  // namespace
}  // namespace tessavue
