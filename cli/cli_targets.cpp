#include "cli_targets.h"

#include <algorithm>
#include <ostream>
#include <string>

#include "cli.h"
#include "cli_output.h"

namespace tessavue::cli {

namespace {

int Say(std::ostream& err, int code, const std::string& message) {
  err << "tessavue-cli: " << message << '\n';
  return code;
}

int ListTargets(const Options& o, std::ostream& out, std::ostream& err, RememberedTargets& list) {
  list.Load();
  if (std::string damage = list.TakeDamage(); !damage.empty()) Say(err, kExitDone, damage);
  if (o.json) {
    out << '[';
    for (std::size_t i = 0; i < list.targets().size(); ++i)
      out << (i == 0 ? "" : ", ") << JsonString(list.targets()[i].Text());
    out << "]\n";
  } else {
    for (const SearchTarget& t : list.targets()) out << t.Text() << '\n';
  }
  if (list.targets().empty()) Say(err, kExitDone, "no remembered targets (" + list.Where() + ")");
  return kExitDone;
}

int AddTarget(const SearchTarget& target, std::ostream& err, RememberedTargets& list,
              DatagramNetwork& network) {
  // The broadcasts are the system's to tell; on Windows only with the
  // socket layer up.
  std::vector<Ipv4Address> broadcasts;
  const bool up = network.Startup();
  network.LocalBroadcasts(broadcasts);
  if (up) network.Cleanup();
  const std::string text = target.Text();
  if (CheckTarget(target, broadcasts) != TargetProblem::kNone)
    return Say(err, kExitUsage,
               TargetProblemMessage(CheckTarget(target, broadcasts), text.c_str()));
  bool added = false;
  if (!list.Add(target, added))
    return Say(err, kExitDeviceFailed, "cannot store the list in " + list.Where());
  if (std::string damage = list.TakeDamage(); !damage.empty()) Say(err, kExitDone, damage);
  if (added) return Say(err, kExitDone, "remembered " + text + " (" + list.Where() + ")");
  if (std::find(list.targets().begin(), list.targets().end(), target) != list.targets().end())
    return Say(err, kExitDone, text + " is already remembered");
  return Say(err, kExitUsage, TargetProblemMessage(TargetProblem::kTooMany, text.c_str()));
}

int ForgetTargets(const Options& o, std::ostream& err, RememberedTargets& list) {
  if (!o.targetsArg) {
    if (!list.ForgetAll())
      return Say(err, kExitDeviceFailed, "cannot store the list in " + list.Where());
    return Say(err, kExitDone, "forgot every remembered target");
  }
  SearchTarget target;
  const TargetProblem problem = CheckTarget(o.targetsArg->c_str(), target);
  const std::string shown = TerminalText(*o.targetsArg);
  if (problem != TargetProblem::kNone)
    return Say(err, kExitUsage, TargetProblemMessage(problem, shown.c_str()));
  bool found = false;
  if (!list.Forget(target, found))
    return Say(err, kExitDeviceFailed, "cannot store the list in " + list.Where());
  if (!found) return Say(err, kExitUsage, target.Text() + " is not a remembered target");
  return Say(err, kExitDone, "forgot " + target.Text());
}

}  // namespace

int RunTargets(const Options& o, std::ostream& out, std::ostream& err, TargetStore* store,
               DatagramNetwork& network) {
  if (store == nullptr)
    return Say(err, kExitDeviceFailed, "there is no place to keep the list of targets here");
  RememberedTargets list(*store);
  if (o.targetsVerb.empty()) return ListTargets(o, out, err, list);
  if (o.targetsVerb == "forget") return ForgetTargets(o, err, list);
  SearchTarget target;
  const TargetProblem problem = CheckTarget(o.targetsArg->c_str(), target);
  if (problem != TargetProblem::kNone)
    return Say(err, kExitUsage, TargetProblemMessage(problem, TerminalText(*o.targetsArg).c_str()));
  return AddTarget(target, err, list, network);
}

int GatherTargets(const Options& o, std::ostream& err, TargetStore* store,
                  std::vector<SearchTarget>& targets) {
  targets.clear();
  if (store != nullptr && !o.noRemembered) {
    RememberedTargets list(*store);
    targets = list.Load();
    if (std::string damage = list.TakeDamage(); !damage.empty()) Say(err, kExitDone, damage);
  }
  for (const std::string& text : o.targets) {
    SearchTarget target;
    const TargetProblem problem = CheckTarget(text.c_str(), target);
    if (problem != TargetProblem::kNone)
      return Say(err, kExitUsage,
                 "--target: " + TargetProblemMessage(problem, TerminalText(text).c_str()));
    if (std::find(targets.begin(), targets.end(), target) != targets.end()) continue;
    if (TargetAddressCount(targets) + target.HostCount() > kMostTargetAddresses)
      return Say(
          err, kExitUsage,
          "--target: " + TargetProblemMessage(TargetProblem::kTooMany, TerminalText(text).c_str()));
    targets.push_back(target);
  }
  return kExitDone;
}

int RefuseOwnBroadcasts(const Options& o, std::ostream& err,
                        const std::vector<Ipv4Address>& broadcasts) {
  for (const std::string& text : o.targets) {
    SearchTarget target;
    if (CheckTarget(text.c_str(), target) == TargetProblem::kNone &&
        CheckTarget(target, broadcasts) == TargetProblem::kOwnBroadcast)
      return Say(
          err, kExitUsage,
          "--target: " + TargetProblemMessage(TargetProblem::kOwnBroadcast, target.Text().c_str()));
  }
  return kExitDone;
}

void ReportTargetTroubles(const DeviceProtocol& protocol, std::ostream& err) {
  for (const TargetTrouble& trouble : protocol.targetTroubles())
    Say(err, kExitDone, "target " + TargetTroubleMessage(trouble));
}

}  // namespace tessavue::cli
