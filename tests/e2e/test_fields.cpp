// The windows the tests of Korvel everywhere type into, shown by
// `desktop_helper fields`:
//   - "Korvel test fields": a plain field (which counts the Pause key-downs
//     that reach it), a password box and, beside it, what the password box
//     holds; the time the plain field's text first and last changed, for the
//     speed measurement; and two boxes of our own (no Edit), one of which
//     tells accessibility clients that it holds a password, as the password
//     fields of toolkits do, and one that answers them slowly, as a busy
//     program does;
//   - "Korvel test page": one window holding two fields, as browsers,
//     Electron, WPF and Qt hold every field of a page in one window: Tab and
//     Shift+Tab move between them, each move told by a focus event naming
//     the field, and the second says it is protected. What each holds shows
//     in a label of its own.
#include "test_fields.h"

// clang-format off
#include <oleacc.h>
// clang-format on

#include <string>

#include "helper_output.h"

namespace {

// What accessibility clients see of a window of ours: the window itself as
// one field (`fields` 0), or as a holder of simple child fields 1 to
// `fields`; `focused` names the one with the focus, and `protectedField` the
// one that holds a password (CHILDID_SELF: the window itself).
class FieldsAccessible : public IAccessible {
 public:
  FieldsAccessible(long fields, long focused, long protectedField)
      : fields_(fields), focused_(focused), protected_(protectedField) {}
  virtual ~FieldsAccessible() = default;

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
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const long which = child.vt == VT_I4 ? child.lVal : CHILDID_SELF;
    state->vt = VT_I4;
    state->lVal = STATE_SYSTEM_FOCUSABLE | (which == focused_ ? STATE_SYSTEM_FOCUSED : 0) |
                  (which == protected_ ? STATE_SYSTEM_PROTECTED : 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT* role) override {
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_TEXT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    focus->vt = VT_I4;
    focus->lVal = focused_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    *count = fields_;
    return S_OK;
  }
  // Simple children: no objects of their own.
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
    *child = nullptr;
    return S_FALSE;
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
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, long*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR*) override { return E_NOTIMPL; }
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
  long fields_;
  long focused_;
  long protected_;
  ULONG references_ = 1;
};

LRESULT Accessible(WPARAM wParam, long fields, long focused, long protectedField) {
  auto* accessible = new FieldsAccessible(fields, focused, protectedField);
  const LRESULT result = LresultFromObject(IID_IAccessible, wParam, accessible);
  accessible->Release();
  return result;
}

// A box of our own that takes typed characters, and Backspace.
LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR: {
      std::wstring text = WindowText(window);
      if (wParam == VK_BACK && !text.empty()) text.pop_back();
      if (wParam >= 32) text += static_cast<wchar_t>(wParam);
      SetWindowTextW(window, text.c_str());
      return 0;
    }
    case WM_SETFOCUS:
      NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, CHILDID_SELF);
      return 0;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
        if (GetDlgCtrlID(window) == SlowBox) Sleep(400);
        return Accessible(wParam, 0, CHILDID_SELF, GetDlgCtrlID(window) == ProtectedBox ? CHILDID_SELF : -1);
      }
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The page: its two fields' texts live in their labels.
LONG PageFocus = 1;

void FocusPageField(HWND page, LONG field) {
  PageFocus = field;
  NotifyWinEvent(EVENT_OBJECT_FOCUS, page, OBJID_CLIENT, field);
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_TAB) FocusPageField(window, PageFocus == 1 ? 2 : 1);
      return 0;
    case WM_CHAR:
      if (wParam >= 32) {
        const HWND label = GetDlgItem(window, PageFieldLabel + PageFocus);
        SetWindowTextW(label, (WindowText(label) + static_cast<wchar_t>(wParam)).c_str());
      }
      return 0;
    case WM_SETFOCUS:
      FocusPageField(window, PageFocus);
      return 0;
    case WM_FOCUS_CONTROL:
      SetFocus(window);
      FocusPageField(window, static_cast<LONG>(wParam));
      return 0;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lParam) == OBJID_CLIENT) return Accessible(wParam, 2, PageFocus, 2);
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
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
WNDPROC EditProc = nullptr;
int PausesSeen = 0;

// The plain field, which notes each Pause that reaches it.
LRESULT CALLBACK PlainFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_PAUSE) {
    SetDlgItemTextW(GetParent(window), PauseCount, std::to_wstring(++PausesSeen).c_str());
  }
  return CallWindowProcW(EditProc, window, message, wParam, lParam);
}

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

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = name;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&windowClass);
}

HWND Control(HWND window, const wchar_t* kind, DWORD style, int id, int y, int height) {
  return CreateWindowExW(0, kind, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, 10, y, 560, height, window,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int ShowFields(HINSTANCE instance) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterWindowClass(instance, L"KorvelTestBox", BoxProc);
  RegisterWindowClass(instance, L"KorvelTestFields", FieldsProc);
  RegisterWindowClass(instance, L"KorvelTestPage", PageProc);
  const HWND page = CreateWindowExW(0, L"KorvelTestPage", PageTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 400, 600,
                                    110, nullptr, nullptr, instance, nullptr);
  Control(page, L"Static", 0, PageFieldLabel + 1, 10, 20);
  Control(page, L"Static", 0, PageFieldLabel + 2, 35, 20);
  const HWND window = CreateWindowExW(0, L"KorvelTestFields", FieldsTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                      600, 385, nullptr, nullptr, instance, nullptr);
  const HWND plain = Control(window, L"Edit", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, PlainField, 10, 150);
  EditProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(plain, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PlainFieldProc)));
  Control(window, L"Edit", ES_PASSWORD | ES_AUTOHSCROLL, PasswordField, 170, 24);
  Control(window, L"Static", 0, PasswordMirror, 200, 20);
  Control(window, L"Static", 0, Timing, 225, 20);
  Control(window, L"KorvelTestBox", 0, ProtectedBox, 250, 20);
  Control(window, L"KorvelTestBox", 0, UnprotectedBox, 275, 20);
  Control(window, L"Static", 0, PauseCount, 300, 20);
  Control(window, L"KorvelTestBox", 0, SlowBox, 325, 20);
  SendDlgItemMessageW(window, PlainField, EM_SETLIMITTEXT, 0, 0);
  SetFocus(plain);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
