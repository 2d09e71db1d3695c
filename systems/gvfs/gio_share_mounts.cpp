#include "gio_share_mounts.h"

#include <gio/gio.h>

#include <cctype>
#include <chrono>
#include <initializer_list>
#include <memory>

#include "text.h"

namespace tessavue {
namespace {

// Owns a GObject reference for the length of a scope.
template <typename T>
struct Ref {
  explicit Ref(T* object = nullptr) : p(object) {}
  ~Ref() {
    if (p) g_object_unref(p);
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  T* p;
};

// This object's context is the thread's default while a call runs, so that
// GIO delivers the call's replies and the server's questions there and not
// to the window's own loop.
class ContextScope {
 public:
  explicit ContextScope(GMainContext* context) : context_(context) {
    g_main_context_push_thread_default(context_);
  }
  ~ContextScope() { g_main_context_pop_thread_default(context_); }
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;

 private:
  GMainContext* context_;
};

}  // namespace

// One mount or unmount under way. It lives on as long as GIO may still call
// back (a call given up at the time limit may answer later).
struct GioShareMounts::Call {
  ShareLogin login;
  std::string password;
  PasswordAnswer answer = PasswordAnswer::kGiven;
  bool asked = false;    // the password question was answered once
  bool refused = false;  // asked again, or asked with nothing to answer
  bool done = false;
  GError* error = nullptr;
  GCancellable* cancellable = g_cancellable_new();
  GMountOperation* operation = g_mount_operation_new();

  Call() = default;
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;
  ~Call() {
    g_signal_handlers_disconnect_by_data(operation, this);
    g_object_unref(operation);
    g_object_unref(cancellable);
    if (error) g_error_free(error);
  }
};

namespace {

using CallPtr = std::shared_ptr<void>;

void OnAskPassword(GMountOperation* op, const char* /*message*/, const char* /*defaultUser*/,
                   const char* /*defaultDomain*/, GAskPasswordFlags flags, gpointer data);
void OnAbort(GMountOperation* op, gpointer /*data*/) {
  // Questions and lists of busy programs are not answered: the caller
  // tells busy mounts apart itself.
  g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
}

}  // namespace

struct GioShareMounts::Context {
  Context() = default;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context() { g_main_context_unref(main); }
  GMainContext* main = g_main_context_new();
};

GioShareMounts::GioShareMounts(int timeoutMillis)
    : context_(std::make_unique<Context>()), timeoutMillis_(timeoutMillis) {}

GioShareMounts::~GioShareMounts() = default;

std::string GioShareMounts::UriOf(const ShareLogin& login) {
  std::string who = PercentEncode(login.user);
  if (!login.domain.empty()) who = PercentEncode(login.domain) + ";" + who;
  if (!who.empty()) who += "@";
  return "smb://" + who + PercentEncode(login.server) + "/" + PercentEncode(login.share);
}

ConnectionResult GioShareMounts::MountFailure(int ioErrorCode, const std::string& message) {
  switch (ioErrorCode) {
    case G_IO_ERROR_PERMISSION_DENIED: return ConnectionResult::kLoginRefused;
    case G_IO_ERROR_TIMED_OUT:
    case G_IO_ERROR_HOST_NOT_FOUND:
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_NETWORK_UNREACHABLE:
    case G_IO_ERROR_CONNECTION_REFUSED: return ConnectionResult::kServerUnreachable;
    default: break;
  }
  std::string text;
  for (char c : message) text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto says = [&text](std::initializer_list<const char*> phrases) {
    for (const char* phrase : phrases)
      if (text.find(phrase) != std::string::npos) return true;
    return false;
  };
  // gvfsd-smb's "Failed to mount Windows share: <why>", <why> being the
  // system's text for the SMB client's error.
  if (says({"protocol"})) return ConnectionResult::kProtocolRefused;
  if (says({"guest"})) return ConnectionResult::kGuestRefused;
  if (says({"permission denied", "access denied", "logon failure"}))
    return ConnectionResult::kLoginRefused;
  if (says({"timed out", "no route to host", "host is down", "network is unreachable",
            "connection refused", "name or service not known", "failed to retrieve share list"}))
    return ConnectionResult::kServerUnreachable;
  if (ioErrorCode == G_IO_ERROR_NOT_FOUND ||
      says({"no such file or directory", "not found", "does not exist"}))
    return ConnectionResult::kShareNotFound;
  return ConnectionResult::kFailed;
}

bool GioShareMounts::Find(const ShareLogin& login, std::string& path) {
  Ref<GFile> file(g_file_new_for_uri(UriOf(login).c_str()));
  Ref<GMount> mount(g_file_find_enclosing_mount(file.p, nullptr, nullptr));
  if (!mount.p) return false;
  Ref<GFile> root(g_mount_get_root(mount.p));
  char* local = g_file_get_path(root.p);
  if (!local) return false;
  path = local;
  g_free(local);
  return !path.empty() && path[0] == '/';
}

namespace {

void OnAskPassword(GMountOperation* op, const char* /*message*/, const char* /*defaultUser*/,
                   const char* /*defaultDomain*/, GAskPasswordFlags flags, gpointer data) {
  auto* call = static_cast<GioShareMounts::Call*>(data);
  // Asked a second time, the first answer was refused; with only the
  // keyring to go by, there is nothing to answer. Either way the attempt ends
  // here instead of asking anybody.
  if (call->asked || call->answer == PasswordAnswer::kKeyringOnly) {
    call->refused = true;
    g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
    return;
  }
  call->asked = true;
  if (flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED) g_mount_operation_set_anonymous(op, FALSE);
  g_mount_operation_set_username(op, call->login.user.c_str());
  g_mount_operation_set_domain(op, call->login.domain.c_str());
  g_mount_operation_set_password(op, call->password.c_str());
  bool keep = call->answer == PasswordAnswer::kGivenRemember &&
              (flags & G_ASK_PASSWORD_SAVING_SUPPORTED) != 0;
  g_mount_operation_set_password_save(op,
                                      keep ? G_PASSWORD_SAVE_PERMANENTLY : G_PASSWORD_SAVE_NEVER);
  g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

// The finish of a call, handed a reference to the call that keeps it alive
// until GIO is done with it.
template <gboolean (*Finish)(GObject*, GAsyncResult*, GError**)>
void OnFinished(GObject* source, GAsyncResult* result, gpointer data) {
  auto* held = static_cast<std::shared_ptr<GioShareMounts::Call>*>(data);
  GioShareMounts::Call& call = **held;
  Finish(source, result, &call.error);
  call.done = true;
  delete held;
}

gboolean FinishMount(GObject* source, GAsyncResult* result, GError** error) {
  return g_file_mount_enclosing_volume_finish(G_FILE(source), result, error);
}

gboolean FinishUnmount(GObject* source, GAsyncResult* result, GError** error) {
  return g_mount_unmount_with_operation_finish(G_MOUNT(source), result, error);
}

gboolean WakeUp(gpointer /*data*/) { return G_SOURCE_CONTINUE; }

}  // namespace

void GioShareMounts::Await(Call& call) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto limit = std::chrono::milliseconds(timeoutMillis_);
  // After a cancel GIO answers at once; a call that still does not is left
  // behind (its state lives on with it).
  const auto grace = std::chrono::seconds(2);
  // Wakes the loop every few milliseconds, so that the window is kept alive
  // whether or not GIO has anything to deliver.
  GSource* tick = g_timeout_source_new(5);
  g_source_set_callback(tick, WakeUp, nullptr, nullptr);
  g_source_attach(tick, context_->main);
  while (!call.done) {
    g_main_context_iteration(context_->main, TRUE);
    if (call.done) break;
    const auto now = Clock::now();
    if (now - start > limit) {
      if (!g_cancellable_is_cancelled(call.cancellable)) g_cancellable_cancel(call.cancellable);
      if (now - start > limit + grace) break;
    }
    if (waitHook_) waitHook_->KeepAlive();
  }
  g_source_destroy(tick);
  g_source_unref(tick);
}

ConnectionResult GioShareMounts::Mount(const ShareLogin& login, const std::string& password,
                                       PasswordAnswer answer, std::string& path) {
  if (Find(login, path)) return ConnectionResult::kDone;
  ContextScope scope(context_->main);
  auto call = std::make_shared<Call>();
  call->login = login;
  call->password = password;
  call->answer = answer;
  g_signal_connect(call->operation, "ask-password", G_CALLBACK(OnAskPassword), call.get());
  g_signal_connect(call->operation, "ask-question", G_CALLBACK(OnAbort), call.get());
  Ref<GFile> file(g_file_new_for_uri(UriOf(login).c_str()));
  g_file_mount_enclosing_volume(file.p, G_MOUNT_MOUNT_NONE, call->operation, call->cancellable,
                                OnFinished<FinishMount>, new std::shared_ptr<Call>(call));
  Await(*call);
  if (!call->done) return ConnectionResult::kServerUnreachable;
  if (call->error) {
    // A mount made meanwhile (by another program) is used as it is.
    if (Find(login, path)) return ConnectionResult::kDone;
    if (call->refused) return ConnectionResult::kLoginRefused;
    if (g_error_matches(call->error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
      return ConnectionResult::kServerUnreachable;
    return MountFailure(call->error->domain == G_IO_ERROR ? call->error->code : -1,
                        call->error->message ? call->error->message : "");
  }
  if (Find(login, path)) return ConnectionResult::kDone;
  // Mounted, but not shown as files (gvfsd-fuse is not running): a letter
  // could not reach it.
  return ConnectionResult::kFailed;
}

ConnectionResult GioShareMounts::Unmount(const std::string& path, bool force) {
  ContextScope scope(context_->main);
  // A path inside gvfsd-fuse's folder is taken back to the mount it shows.
  Ref<GFile> file(g_file_new_for_path(path.c_str()));
  Ref<GMount> mount(g_file_find_enclosing_mount(file.p, nullptr, nullptr));
  if (!mount.p) return ConnectionResult::kNotConnected;
  auto call = std::make_shared<Call>();
  g_signal_connect(call->operation, "ask-question", G_CALLBACK(OnAbort), call.get());
  g_signal_connect(call->operation, "show-processes", G_CALLBACK(OnAbort), call.get());
  g_mount_unmount_with_operation(mount.p, force ? G_MOUNT_UNMOUNT_FORCE : G_MOUNT_UNMOUNT_NONE,
                                 call->operation, call->cancellable, OnFinished<FinishUnmount>,
                                 new std::shared_ptr<Call>(call));
  Await(*call);
  if (call->done && !call->error) return ConnectionResult::kDone;
  if (call->error && g_error_matches(call->error, G_IO_ERROR, G_IO_ERROR_BUSY))
    return ConnectionResult::kFilesOpen;
  return ConnectionResult::kFailed;
}

}  // namespace tessavue
