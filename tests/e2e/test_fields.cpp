// The windows the tests of Korvel everywhere type into, shown by
// `desktop_helper fields`: a plain field, a password box and, beside it, what
// the password box holds; the time the plain field's text first and last
// changed, for the speed measurement; and two fields of our own (no Edit), one
// of which tells accessibility clients that it holds a password, as the
// password fields of browsers and toolkits do.
#include "test_fields.h"

// clang-format off
#include <oleacc.h>
// clang-format on

#include <string>

#include "helper_output.h"

namespace {

// What accessibility clients see of a box of ours: a focused text field,
// and with `marksProtected`, one that holds a password.
class BoxAccessible : public IAccessible {
 public:
  explicit BoxAccessible(bool marksProtected) : marksProtected_(marksProtected) {}
  virtual ~BoxAccessible() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (id == IID_IUnknown || id == IID_IDispatch || id == IID_IAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (!left) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT, VARIANT* state) override {
    state->vt = VT_I4;
    state->lVal = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | (marksProtected_ ? STATE_SYSTEM_PROTECTED : 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT* role) override {
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_TEXT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  // Nothing else is asked of it.
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch**) override { return E_INVALIDARG; }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, long*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accLocation(long*, long*, long*, long*, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accHitTest(long, long, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  bool marksProtected_;
  ULONG references_ = 1;
};

// A field of our own that takes typed characters.
LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
      if (wParam >= 32) SetWindowTextW(window, (WindowText(window) + static_cast<wchar_t>(wParam)).c_str());
      return 0;
    case WM_SETFOCUS:
      NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, CHILDID_SELF);
      return 0;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
        auto* accessible = new BoxAccessible(GetDlgCtrlID(window) == ProtectedBox);
        const LRESULT result = LresultFromObject(IID_IAccessible, wParam, accessible);
        accessible->Release();
        return result;
      }
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

double Milliseconds() {
  LARGE_INTEGER now{}, frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double FirstChange = 0;

LRESULT CALLBACK FieldsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == PasswordField) {
        SetDlgItemTextW(window, PasswordMirror, WindowText(GetDlgItem(window, PasswordField)).c_str());
      } else if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == PlainField) {
        const double now = Milliseconds();
        if (FirstChange == 0) FirstChange = now;
        const auto length = GetWindowTextLengthW(GetDlgItem(window, PlainField));
        SetDlgItemTextW(window, Timing, (std::to_wstring(now - FirstChange) + L" " + std::to_wstring(length)).c_str());
      }
      return 0;
    case WM_FOCUS_CONTROL:
      SetFocus(GetDlgItem(window, static_cast<int>(wParam)));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int ShowFields(HINSTANCE instance) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WNDCLASSW boxClass{};
  boxClass.lpfnWndProc = BoxProc;
  boxClass.hInstance = instance;
  boxClass.lpszClassName = L"KorvelTestBox";
  RegisterClassW(&boxClass);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = FieldsProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"KorvelTestFields";
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, FieldsTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                      40, 600, 330, nullptr, nullptr, instance, nullptr);
  const auto control = [&](const wchar_t* kind, DWORD style, int id, int y, int height) {
    CreateWindowExW(0, kind, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, 10, y, 560, height, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  control(L"Edit", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, PlainField, 10, 150);
  control(L"Edit", ES_PASSWORD | ES_AUTOHSCROLL, PasswordField, 170, 24);
  control(L"Static", 0, PasswordMirror, 200, 20);
  control(L"Static", 0, Timing, 225, 20);
  control(L"KorvelTestBox", 0, ProtectedBox, 250, 20);
  control(L"KorvelTestBox", 0, UnprotectedBox, 275, 20);
  SendDlgItemMessageW(window, PlainField, EM_SETLIMITTEXT, 0, 0);
  SetFocus(GetDlgItem(window, PlainField));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
