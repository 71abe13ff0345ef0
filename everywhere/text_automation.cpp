#include "text_automation.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include "system_library.h"

namespace {

// The few interfaces of UI Automation's client read here, each declared up
// to the last method used, in the order of Windows' own declaration (the
// headers of this tool chain lack them).
const CLSID kAutomationClass = {0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
const IID kAutomation = {0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
const IID kTextPattern = {0x32eba289, 0x3583, 0x42c9, {0x9c, 0x59, 0x3b, 0x6d, 0x9a, 0x1e, 0x9b, 0x6a}};
const int kTextPatternId = 10014;
const int kStart = 0;     // TextPatternRangeEndpoint_Start
const int kLineUnit = 3;  // TextUnit_Line
const int kMostRead = 4096;

struct Element;
struct TextRange;

struct Automation : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CompareElements(void*, void*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(void*, void*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRootElement(Element**) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND, Element**) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromPoint(POINT, Element**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFocusedElement(Element**) = 0;
};

struct Element : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirst(int, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAll(int, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache(int, void*, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache(int, void*, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache(void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int, VARIANT*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValueEx(int, BOOL, VARIANT*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValue(int, VARIANT*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValueEx(int, BOOL, VARIANT*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPatternAs(int, REFIID, void**) = 0;
};

struct RangeArray : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetLength(int*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetElement(int, TextRange**) = 0;
};

struct TextPattern : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE RangeFromPoint(POINT, TextRange**) = 0;
  virtual HRESULT STDMETHODCALLTYPE RangeFromChild(Element*, TextRange**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSelection(RangeArray**) = 0;
};

struct TextRange : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Clone(TextRange**) = 0;
  virtual HRESULT STDMETHODCALLTYPE Compare(TextRange*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareEndpoints(int, TextRange*, int, int*) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(int) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAttribute(int, VARIANT, BOOL, TextRange**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindText(BSTR, BOOL, BOOL, TextRange**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAttributeValue(int, VARIANT*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBoundingRectangles(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEnclosingElement(Element**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetText(int, BSTR*) = 0;
  virtual HRESULT STDMETHODCALLTYPE Move(int, int, int*) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(int, int, int, int*) = 0;
};

// Releases what it holds when it goes.
template <typename Interface>
struct Held {
  Interface* pointer = nullptr;
  ~Held() {
    if (pointer) pointer->Release();
  }
  Interface** operator&() { return &pointer; }
  Interface* operator->() const { return pointer; }
  explicit operator bool() const { return pointer != nullptr; }
};

bool TextOf(TextRange* range, std::u16string& text) {
  // Not among the libraries every Windows loads first: from the system folder, when needed.
  static const auto length = SystemFunction<UINT(WINAPI*)(BSTR)>(L"oleaut32.dll", "SysStringLen");
  static const auto release = SystemFunction<void(WINAPI*)(BSTR)>(L"oleaut32.dll", "SysFreeString");
  BSTR read = nullptr;
  if (!length || !release || FAILED(range->GetText(kMostRead, &read))) return false;
  text.assign(reinterpret_cast<const char16_t*>(read), read ? length(read) : 0);
  release(read);
  return true;
}

}  // namespace

bool ReadFocusedText(AutomationText& found) {
  Held<Automation> automation;
  Held<Element> focused;
  Held<TextPattern> pattern;
  Held<RangeArray> selections;
  Held<TextRange> selection;
  int count = 0;
  if (FAILED(CoCreateInstance(kAutomationClass, nullptr, CLSCTX_INPROC_SERVER, kAutomation,
                              reinterpret_cast<void**>(&automation))) ||
      !automation || FAILED(automation->GetFocusedElement(&focused)) || !focused ||
      FAILED(focused->GetCurrentPatternAs(kTextPatternId, kTextPattern, reinterpret_cast<void**>(&pattern))) ||
      !pattern || FAILED(pattern->GetSelection(&selections)) || !selections || FAILED(selections->GetLength(&count)) ||
      count != 1 || FAILED(selections->GetElement(0, &selection)) || !selection ||
      !TextOf(selection.pointer, found.selection)) {
    return false;
  }
  found.selected = !found.selection.empty();
  if (found.selected) return true;
  // The caret: its range, grown back to its line's start.
  int moved = 0;
  return SUCCEEDED(selection->MoveEndpointByUnit(kStart, kLineUnit, -1, &moved)) &&
         TextOf(selection.pointer, found.beforeCaret);
}
