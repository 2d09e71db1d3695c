#include "win32_accessible.h"

#include <oleacc.h>

#include <cstring>
#include <string>

namespace tessavue::win32 {
namespace {

// oleacc.dll and oleaut32.dll are looked up at run time: every Windows that
// has the accessibility layer has them, and the program starts without.
struct AccessibilityApi {
  using CreateStd = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  using FromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  using AllocString = BSTR(WINAPI*)(const OLECHAR*);
  CreateStd createStd = nullptr;
  FromObject fromObject = nullptr;
  AllocString allocString = nullptr;
  bool ok() const { return createStd && fromObject && allocString; }
};

template <typename Function>
Function Lookup(const char* dll, const char* name) {
  HMODULE module = ::LoadLibraryA(dll);
  return module
             ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
             : nullptr;
}

const AccessibilityApi& Api() {
  static const AccessibilityApi api{
      Lookup<AccessibilityApi::CreateStd>("oleacc.dll", "CreateStdAccessibleObject"),
      Lookup<AccessibilityApi::FromObject>("oleacc.dll", "LresultFromObject"),
      Lookup<AccessibilityApi::AllocString>("oleaut32.dll", "SysAllocString")};
  return api;
}

// {618736E0-3C3D-11CF-810C-00AA00389B71} and {00020400-0000-0000-C000-000000000046},
// spelt out: the import library's copies are not in every MinGW release.
const IID kIAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const IID kIDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The system's accessible object of a control, with the label as its name.
class LabelledObject final : public IAccessible {
 public:
  LabelledObject(IAccessible* inner, std::wstring name) : inner_(inner), name_(std::move(name)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, kIUnknown) || IsEqualIID(iid, kIDispatch) ||
        IsEqualIID(iid, kIAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return inner_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --refs_;
    if (left == 0) {
      inner_->Release();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return inner_->get_accName(child, name);
    if (!name) return E_POINTER;
    if (!Api().allocString) return E_FAIL;
    *name = Api().allocString(name_.c_str());
    return *name ? S_OK : E_OUTOFMEMORY;
  }

  // The rest is the system's.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    return inner_->GetTypeInfoCount(n);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return inner_->GetTypeInfo(i, l, t);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l,
                                          DISPID* d) override {
    return inner_->GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                   EXCEPINFO* e, UINT* a) override {
    return inner_->Invoke(d, r, l, f, p, v, e, a);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override {
    return inner_->get_accParent(p);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override {
    return inner_->get_accChildCount(n);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** d) override {
    return inner_->get_accChild(c, d);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override {
    return inner_->get_accValue(c, v);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override {
    return inner_->get_accDescription(c, d);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override {
    return inner_->get_accRole(c, r);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override {
    return inner_->get_accState(c, s);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override {
    return inner_->get_accHelp(c, h);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, LONG* t) override {
    return inner_->get_accHelpTopic(f, c, t);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
    return inner_->get_accKeyboardShortcut(c, k);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return inner_->get_accFocus(f); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override {
    return inner_->get_accSelection(s);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
    return inner_->get_accDefaultAction(c, a);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG f, VARIANT c) override {
    return inner_->accSelect(f, c);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override {
    return inner_->accLocation(x, y, w, h, c);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG d, VARIANT s, VARIANT* e) override {
    return inner_->accNavigate(d, s, e);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* c) override {
    return inner_->accHitTest(x, y, c);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override {
    return inner_->accDoDefaultAction(c);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override {
    return inner_->put_accName(c, n);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override {
    return inner_->put_accValue(c, v);
  }

 private:
  ~LabelledObject() = default;
  IAccessible* inner_;
  std::wstring name_;
  LONG refs_ = 1;
};

constexpr UINT_PTR kSubclassId = 0x7E55;

// The label's text, kept by the subclass for the control's life.
LRESULT CALLBACK LabelledProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR data) {
  auto* label = reinterpret_cast<std::wstring*>(data);
  const AccessibilityApi& api = Api();
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT && api.createStd &&
      api.fromObject) {
    IAccessible* inner = nullptr;
    if (SUCCEEDED(
            api.createStd(window, OBJID_CLIENT, kIAccessible, reinterpret_cast<void**>(&inner))) &&
        inner) {
      auto* object = new LabelledObject(inner, *label);
      const LRESULT result = api.fromObject(kIAccessible, wParam, object);
      object->Release();
      return result;
    }
  }
  if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(window, LabelledProcedure, kSubclassId);
    delete label;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

bool IsLabelled(HWND control) {
  char className[32] = {};
  ::GetClassNameA(control, className, sizeof className);
  return lstrcmpiA(className, "Edit") == 0 || lstrcmpiA(className, "ComboBox") == 0 ||
         lstrcmpiA(className, WC_IPADDRESSA) == 0;
}

}  // namespace

void NameFieldsByLabels(HWND dialog) {
  if (!Api().ok()) return;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    HWND label = ::GetWindow(child, GW_HWNDPREV);
    char className[16] = {};
    if (!label || !IsLabelled(child)) continue;
    ::GetClassNameA(label, className, sizeof className);
    wchar_t text[128] = {};
    if (lstrcmpiA(className, "Static") != 0 || ::GetWindowTextW(label, text, 128) == 0) continue;
    auto* name = new std::wstring(text);
    if (!::SetWindowSubclass(child, LabelledProcedure, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(name)))
      delete name;
  }
}

}  // namespace tessavue::win32
