// The program's own accessible objects: a thin object around the system's
// standard one (CreateStdAccessibleObject), answering what the traits set
// and passing everything else on. oleacc.dll is loaded when an accessibility
// client first asks, never at start-up.
#include <windows.h>
#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>

#include <memory>
#include <unordered_map>
#include <utility>

#include "base/ole_win32.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/accessibility.h"
#include "mainwindow/accessible_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {

constexpr UINT_PTR kAccessibleSubclassId = 0x6177;  // "aw"

// What the subclass of a window holds: its traits, and for a field named
// through the annotation service whether that is still to be tried (at the
// first request, so that nothing of it is loaded while no client asks) and
// whether it took the name.
struct Subclassed {
  std::shared_ptr<const AccessibleTraits> traits;
  bool annotate = false;
  bool annotated = false;
};
std::unordered_map<HWND, Subclassed*> g_subclassed;

bool AnnotateName(HWND hwnd, const Text& name);

using CreateStdFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

struct Oleacc {
  CreateStdFn create_std = nullptr;
  LresultFromObjectFn lresult_from_object = nullptr;
};

const Oleacc& OleaccFunctions() {
  static Oleacc functions = [] {
    Oleacc f;
    EnsureOle();  // LresultFromObject marshals the object through COM
    if (HMODULE module = LoadLibraryW(L"oleacc.dll")) {
      f.create_std = reinterpret_cast<CreateStdFn>(
          reinterpret_cast<void*>(GetProcAddress(module, "CreateStdAccessibleObject")));
      f.lresult_from_object = reinterpret_cast<LresultFromObjectFn>(
          reinterpret_cast<void*>(GetProcAddress(module, "LresultFromObject")));
    }
    return f;
  }();
  return functions;
}

BSTR ToBstr(const Text& text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                           static_cast<UINT>(text.size()));
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

class Accessible final : public IAccessible {
 public:
  Accessible(IAccessible* inner, std::shared_ptr<const AccessibleTraits> traits)
      : inner_(inner), traits_(std::move(traits)) {}
  ~Accessible() { inner_->Release(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // The standard object's other interfaces (IEnumVARIANT, IOleWindow)
    // answer for the window as they are.
    return inner_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return inner_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
    return inner_->GetTypeInfo(i, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    return inner_->GetIDsOfNames(iid, names, count, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* arg) override {
    return inner_->Invoke(id, iid, lcid, flags, params, result, info, arg);
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return inner_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return inner_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return inner_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    if (IsSelf(child) && traits_->name) return Answer(traits_->name(), name);
    if (child.vt == VT_I4 && child.lVal > 0 && traits_->child_name)
      return Answer(traits_->child_name(child.lVal), name);
    return inner_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return inner_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return inner_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    if (IsSelf(child) && traits_->role) {
      VariantInit(role);
      role->vt = VT_I4;
      role->lVal = traits_->role;
      return S_OK;
    }
    return inner_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return inner_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return inner_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return inner_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    if (!keys) return E_POINTER;
    if (IsSelf(child) && traits_->shortcut) return Answer(traits_->shortcut(), keys);
    return inner_->get_accKeyboardShortcut(child, keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return inner_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return inner_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!action) return E_POINTER;
    if (IsSelf(child) && traits_->default_action)
      return Answer(traits_->default_action(), action);
    return inner_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return inner_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h,
                                        VARIANT child) override {
    return inner_->accLocation(x, y, w, h, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
    return inner_->accNavigate(dir, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return inner_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (IsSelf(child) && traits_->do_default_action) {
      traits_->do_default_action();
      return S_OK;
    }
    return inner_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return inner_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return inner_->put_accValue(child, value);
  }

 private:
  static HRESULT Answer(const Text& text, BSTR* out) {
    *out = text.empty() ? nullptr : ToBstr(text);
    return text.empty() ? S_FALSE : (*out ? S_OK : E_OUTOFMEMORY);
  }

  IAccessible* inner_;
  std::shared_ptr<const AccessibleTraits> traits_;
  LONG refs_ = 1;
};

LRESULT CALLBACK AccessibleSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR data) {
  auto* subclassed = reinterpret_cast<Subclassed*>(data);
  if (msg == WM_GETOBJECT && static_cast<LONG>(lp) == static_cast<LONG>(OBJID_CLIENT)) {
    if (subclassed->annotate) {
      subclassed->annotate = false;
      subclassed->annotated = AnnotateName(hwnd, subclassed->traits->name());
    }
    // Annotated: the control's own object, which reads the annotation.
    if (subclassed->annotated) return DefSubclassProc(hwnd, msg, wp, lp);
    const Oleacc& oleacc = OleaccFunctions();
    IAccessible* inner = nullptr;
    if (oleacc.create_std && oleacc.lresult_from_object &&
        SUCCEEDED(oleacc.create_std(hwnd, OBJID_CLIENT, IID_IAccessible,
                                    reinterpret_cast<void**>(&inner))) &&
        inner) {
      auto* object = new Accessible(inner, subclassed->traits);
      const LRESULT result = oleacc.lresult_from_object(IID_IAccessible, wp, object);
      object->Release();
      if (result > 0) return result;
    }
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, AccessibleSubclass, id);
    g_subclassed.erase(hwnd);
    delete subclassed;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

// The annotation service, made once; null where the system has none.
IAccPropServices* PropertyServices() {
  static IAccPropServices* services = [] {
    IAccPropServices* made = nullptr;
    EnsureOle();
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&made))))
      made = nullptr;
    return made;
  }();
  return services;
}

bool AnnotateName(HWND hwnd, const Text& name) {
  IAccPropServices* services = PropertyServices();
  return services && SUCCEEDED(services->SetHwndPropStr(hwnd, static_cast<DWORD>(OBJID_CLIENT),
                                                        CHILDID_SELF, PROPID_ACC_NAME, W(name)));
}

void Install(HWND hwnd, AccessibleTraits traits, bool annotate) {
  if (!hwnd) return;
  auto* data = new Subclassed{std::make_shared<const AccessibleTraits>(std::move(traits)), annotate,
                              false};
  // The same subclass again replaces its data.
  if (!SetWindowSubclass(hwnd, AccessibleSubclass, kAccessibleSubclassId,
                         reinterpret_cast<DWORD_PTR>(data))) {
    delete data;
    return;
  }
  auto [at, added] = g_subclassed.try_emplace(hwnd, data);
  if (!added) {
    delete at->second;
    at->second = data;
  }
}

}  // namespace

void MakeAccessible(HWND hwnd, AccessibleTraits traits) { Install(hwnd, std::move(traits), false); }

void NameForAccessibility(HWND hwnd, std::function<Text()> name) {
  if (!name) return;
  AccessibleTraits traits;
  traits.name = std::move(name);
  Install(hwnd, std::move(traits), true);
}

Text ControlLabelName(HWND control) { return control ? LabelName(WindowTextOf(control)) : Text(); }

void NameFieldByLabel(HWND field, HWND label) {
  if (!field || !label) return;
  NameForAccessibility(field, [label] { return ControlLabelName(label); });
}

}  // namespace gw
