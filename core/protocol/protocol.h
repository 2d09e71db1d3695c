// The device protocol: transport, discovery and the four requests that address
// one device. All process-wide state of the protocol lives in one
// DeviceProtocol object that the application owns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "network.h"
#include "search_target.h"
#include "wait_hook.h"
#include "device_listener.h"
#include "lists.h"
#include "text.h"

namespace tessavue {

// Reply wait loop parameters (cycles counted, pause between cycles).
struct WaitLoopLimits {
  int cycles;
  std::int64_t pauseMicros;
};

// Each cycle first waits this long on the receive socket.
constexpr std::int64_t kReplyPollMicros = 10000;
constexpr WaitLoopLimits kSearchLoop{32, 20000};
constexpr WaitLoopLimits kQueryLoop{11, 100000};
constexpr WaitLoopLimits kSetLoop{101, 100000};
// The search request goes out three times: 80 ms apart, then 100 ms before
// the collection proper.
constexpr int kSearchSends = 3;
constexpr std::int64_t kSearchSendGapMicros = 80000;
constexpr std::int64_t kSearchLastGapMicros = 100000;

// How long a reply wait loop waits for its answer: every cycle's wait and the
// pauses between them. Stray datagrams neither stretch nor shorten it.
constexpr std::int64_t LongestWait(const WaitLoopLimits& limits) {
  return limits.cycles * kReplyPollMicros + (limits.cycles - 1) * limits.pauseMicros;
}
// The whole search: the sends with their gaps, then the collection.
constexpr std::int64_t kSearchWindowMicros =
    (kSearchSends - 1) * kSearchSendGapMicros + kSearchLastGapMicros + LongestWait(kSearchLoop);
// The unicast to the targets' addresses leaves in batches of this many
// datagrams, one batch a millisecond (16 a millisecond, 11-byte requests:
// about 1.4 Mbit/s of frames). A /22's 1022 addresses take 64 ms, inside the
// 80 ms between two rounds, so a sweep adds no time to the search; a batch is
// small enough for any socket buffer and a small router's queue.
constexpr int kSweepBatch = 16;
constexpr std::int64_t kSweepBatchGapMicros = 1000;

namespace wire {
class WireView;
using Bytes = std::vector<std::uint8_t>;
}  // namespace wire

// One of the workstation's networks: its interface address, and the client
// identifier that the requests sent out of it carry (the process's six random
// bytes, then that address).
struct LocalInterface {
  Ipv4Address address;
  std::uint8_t clientId[10];
};

// How a search reaches a target: the source address the system's route to
// it uses, and the client identifier made from it. `routed` is false when
// the system has no route to the target (nothing is sent to it then).
struct TargetRoute {
  SearchTarget target;
  Ipv4Address source;
  std::uint8_t clientId[10];
  bool routed;
};

// A target the last search could not send to, or not to all of it:
// `problem` when it was not sent to at all (kOwnBroadcast), else the first
// failed send's `result` and how many of its datagrams failed.
struct TargetTrouble {
  SearchTarget target;
  TargetProblem problem = TargetProblem::kNone;
  SendResult result = SendResult::kSent;
  std::uint32_t failed = 0;
  std::uint32_t tried = 0;
};
// "10.9.0.0/22: ..." in words, for the user.
std::string TargetTroubleMessage(const TargetTrouble& trouble);

class DeviceProtocol {
 public:
  DeviceProtocol(DatagramNetwork& network, Clock& clock);
  ~DeviceProtocol();
  DeviceProtocol(const DeviceProtocol&) = delete;
  DeviceProtocol& operator=(const DeviceProtocol&) = delete;

  // Starts the socket layer, finds the workstation's interfaces, makes
  // LocalIp, ClientId and each interface's identifier, opens the sockets.
  // false only when the socket layer cannot be started: the caller then ends
  // the process with exit code 1.
  bool InitTransport();
  // Closes both sockets and releases the socket layer. Safe to run twice and
  // before InitTransport.
  void ShutdownTransport();
  bool TransportStarted() const { return started_; }
  // Reads the workstation's interfaces anew, by the rules of InitTransport.
  // When they differ from the ones in use, LocalInterfaces, LocalIp and
  // ClientId follow them (the process's six random bytes kept) and the
  // sockets are moved to them; true then. Unchanged, nothing is touched.
  // Every search starts with it.
  bool RefreshInterfaces();

  // Called while the protocol waits on the socket (nullptr: nobody).
  void SetWaitHook(WaitHook* hook) { waitHook_ = hook; }
  WaitHook* waitHook() const { return waitHook_; }
  Clock& clock() const { return clock_; }

  // Told of every device a search adds to DeviceList, as it is added
  // (nullptr: nobody).
  void SetDeviceListener(DeviceListener* listener) { deviceListener_ = listener; }
  DeviceListener* deviceListener() const { return deviceListener_; }

  // One datagram to the group, out of the first interface, or out of
  // interface `localInterface`.
  void SendRequest(const std::uint8_t* message, std::size_t length);
  void SendRequestOn(std::size_t localInterface, const std::uint8_t* message, std::size_t length);

  // Clears DeviceList and fills it from the replies to three searches, each
  // sent on every interface and, at the same instants, by unicast to every
  // target.
  void SearchDevices();

  // Adds an address or subnet the search also goes to by unicast (false
  // when it is refused, already there, or would take the targets past
  // kMostTargetAddresses). Targets last for the run.
  bool AddTarget(const SearchTarget& target);
  bool AddTarget(const Ipv4Address& address) { return AddTarget(SearchTarget{address, 32}); }
  // Replaces every target by `targets` (those refused by AddTarget left out).
  void SetTargets(const std::vector<SearchTarget>& targets);
  // The targets the last search could not send to, in their order; empty
  // when every datagram left.
  const std::vector<TargetTrouble>& targetTroubles() const { return targetTroubles_; }
  // The route the last search used for the target through which `device`
  // was found; nullptr for a device heard on the segment.
  const TargetRoute* TargetRouteOf(const DeviceRecord& device) const;
  const std::vector<TargetRoute>& targetRoutes() const { return targetRoutes_; }

  // Requests addressed to the device whose record's ip equals
  // SelectedDeviceIp, sent out of the interface it was heard on, with that
  // interface's identifier. true for success. The administrator login
  // sends the user name and password its caller keeps, each cut to 16
  // characters (and at a zero byte).
  bool CheckAdminPassword(const std::string& userName, const std::string& password);
  bool FetchShares();
  bool SetDeviceDhcp();
  bool SetDeviceStatic();

  // The texts the requests read, each cut to its buffer.
  void SelectDevice(const char* ip);
  void SetNewAddress(const char* ip, const char* netmask, const char* gateway);

  // The record of the selected device, or nullptr.
  DeviceRecord* FindSelectedDevice();
  // The interface a device was heard on (the first one when the record
  // names none that the transport has).
  const LocalInterface& InterfaceOf(const DeviceRecord& device) const;
  // Whether the interface a device was heard on is still one of the
  // workstation's, with the same address (read from the system now). A
  // request to a device whose interface is gone is not sent.
  bool InterfaceStillThere(const DeviceRecord& device);

  // Process-wide state, by the names the rest of the program knows it; the
  // protocol's own operations and the setters above change it. LocalIp and
  // ClientId are the first interface's.
  const char* localIp() const { return LocalIp; }
  const std::uint8_t* clientId() const { return ClientId; }
  // The first interface's address, the one the client identifier carries
  // (0.0.0.0 while the workstation has no address at all).
  Ipv4Address FirstInterfaceAddress() const;
  const std::vector<LocalInterface>& localInterfaces() const { return LocalInterfaces; }
  const std::vector<SearchTarget>& targets() const { return Targets; }
  // The devices the last search found, in order of arrival.
  const DeviceListType& deviceList() const { return DeviceList; }
  // The selected device's shares, as the last FetchShares read them.
  const ShareListType& shareList() const { return ShareList; }
  const char* selectedDeviceIp() const { return SelectedDeviceIp; }
  const char* newIp() const { return NewIp; }
  const char* newNetmask() const { return NewNetmask; }
  const char* newGateway() const { return NewGateway; }

 private:
  using MatchTest = std::function<bool(const wire::WireView&)>;

  // The reply wait loop. true when a datagram with `opcode`, the client
  // identifier `clientId` (the one the request carried) and passing `match`
  // arrived; it is then in receiveBuffer_ (receiveLength_ bytes, zero after
  // them).
  bool WaitForReply(std::uint8_t opcode, const std::uint8_t* clientId, const WaitLoopLimits& limits,
                    const MatchTest& match);
  // Reads one datagram if the socket becomes readable before `deadline`;
  // false when the time ran out or the receive failed.
  bool ReceiveOne(std::int64_t deadline);
  // Waits until the socket is readable or `deadline` passes, in slices short
  // enough for the wait hook to keep the window alive.
  bool WaitReadableUntil(std::int64_t deadline);
  // Search: the three rounds, to the group and to the targets' addresses,
  // paced, with every reply handled as it arrives; until `end`.
  void RunSearchRounds(std::int64_t start, std::int64_t end);
  // Search: handles every datagram that arrives until `deadline`.
  void CollectSearchReplies(std::int64_t deadline);
  void HandleSearchReply();
  // Search: handles the datagrams already queued when the window closed,
  // until `deadline`, without waiting for more.
  void DrainQueuedReplies(std::int64_t deadline);
  // Position in LocalInterfaces of the interface a device was heard on: its
  // record's, or the first when the transport has no such interface.
  std::size_t InterfaceIndexOf(const DeviceRecord& device) const;
  // The interface whose identifier the reply echoes; -1 when none is ours.
  int InterfaceOfReply(const wire::WireView& reply) const;
  // The reply's sender address (bytes 17 to 20) as dotted text equals `text`.
  bool SenderIs(const wire::WireView& reply, const char* text) const;
  // The workstation's interfaces as the system gives them now (empty when it
  // has none).
  std::vector<Ipv4Address> ReadInterfaces();
  // Makes LocalInterfaces, LocalIp and ClientId for `locals`.
  void UseInterfaces(const std::vector<Ipv4Address>& locals);
  // Asks the system for the route to every target, and has the replies to
  // their source addresses heard.
  void RouteTargets();
  // The target route whose identifier the reply echoes and which reached the
  // device: the one to the reply's own address when there is one; -1 when
  // the reply answers no target's request.
  int TargetOfReply(const wire::WireView& reply, const std::uint8_t address[4]) const;
  // The request to `device` leaves: by unicast to its address when it was
  // found through a target, otherwise to the group out of its interface.
  void SendToDevice(const DeviceRecord& device, const std::uint8_t* message, std::size_t length);
  // The identifier of the requests to `device`.
  const std::uint8_t* ClientIdFor(const DeviceRecord& device) const;
  // The way to `device` is still the one it was found by (its interface,
  // or its target's route).
  bool StillReachable(const DeviceRecord& device);
  // After a change of address of a device found through a target, the new
  // address takes the old one's place among the targets.
  void FollowAddressChange(const DeviceRecord& device, const Ipv4Address& newAddress);

  // Process-wide state (see the accessors above).
  char LocalIp[16] = {};
  std::uint8_t ClientId[10] = {};
  // Every interface searched, the first first. Empty while the workstation
  // has no address at all (LocalIp is then "0.0.0.0").
  std::vector<LocalInterface> LocalInterfaces;
  // Addresses and subnets the search also goes to by unicast, in the order
  // given: for devices beyond the segment (another subnet, behind a router or
  // a VPN).
  std::vector<SearchTarget> Targets;
  DeviceListType DeviceList;
  ShareListType ShareList;
  char SelectedDeviceIp[16] = {};
  char NewIp[16] = {};
  char NewNetmask[16] = {};
  char NewGateway[16] = {};

  DatagramNetwork& network_;
  Clock& clock_;
  bool socketLayerUp_ = false;
  bool started_ = false;
  // The process's six random bytes, the start of every client identifier.
  std::uint8_t randomBytes_[6] = {};
  std::uint8_t receiveBuffer_[kMaxDatagram + 1] = {};
  std::size_t receiveLength_ = 0;
  WaitHook* waitHook_ = nullptr;
  DeviceListener* deviceListener_ = nullptr;
  std::int64_t lastKeepAlive_ = 0;
  // Addresses already listed by the running search (kept beside DeviceList
  // so that a search over many devices stays linear).
  std::unordered_set<std::uint32_t> searchSeen_;
  // The last search's routes to the targets, one per target in order.
  std::vector<TargetRoute> targetRoutes_;
  std::vector<TargetTrouble> targetTroubles_;
  // One unicast search request: its destination and the target route whose
  // identifier it carries.
  struct SweepEntry {
    Ipv4Address to;
    std::size_t route;
  };
  // Every address the search's unicast round goes to, each once: the
  // targets' hosts but the workstation's own addresses and broadcasts.
  std::vector<SweepEntry> SweepList();
  // Sends entries [from, to) of `sweep` (modulo its size), counting the
  // sends and failures per target route in `counts`.
  void SendSweep(const std::vector<SweepEntry>& sweep, const std::vector<wire::Bytes>& requests,
                 std::size_t from, std::size_t to, std::vector<TargetTrouble>& counts);
  // The targets whose sends failed join targetTroubles_.
  void ReportSweep(const std::vector<TargetTrouble>& counts);
};

// A device's administrator as it leaves the factory: user name and password.
constexpr const char* kDefaultAdministrator = "qewro";

}  // namespace tessavue
