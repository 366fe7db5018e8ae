// QVAPI with nothing in the registry: QV_Api through the assembly manifest
// that the SDK installs beside QVAPI.DLL (QVAPI.sxs.manifest), early-bound
// by its class id and late-bound by its ProgID, every member.
//
// Built with registration_free.rc, this program names the assembly in its
// own application manifest. A program that carries no manifest of its own
// (a plug-in, a test runner's child) activates the assembly's manifest
// around its calls instead: built without the .rc and given the manifest's
// path, this one does that. Late-bound calls need the context active too,
// since the type library is found through it.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstdio>

#include <QVAPI.h>

namespace {

// The named member called as a script calls it; prints what it answers.
void CallByName(IDispatch* api, const wchar_t* name, WORD kind, VARIANT* arguments = nullptr,
                UINT count = 0) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  DISPPARAMS params = {arguments, nullptr, count, 0};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = api->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr))
    hr = api->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, &result, nullptr, nullptr);
  if (FAILED(hr)) {
    std::printf("late-bound %ls failed: 0x%08lx\n", name, hr);
  } else if (V_VT(&result) == VT_I4) {
    std::printf("late-bound %ls: %ld\n", name, V_I4(&result));
  }
  VariantClear(&result);
}

void EarlyBound(IQV_Api* api) {
  char name[] = "early";
  char comment[] = "by class id";
  LONG value = 0;
  api->MemMark();
  api->MemSave(name, comment, 1);
  api->MemPopup();
  api->get_StartEventReporting(&value);
  std::printf("early-bound StartEventReporting: %ld\n", value);
  api->get_EventReportingState(&value);
  std::printf("early-bound EventReportingState: %ld\n", value);
  api->get_StopEventReporting(&value);
  std::printf("early-bound StopEventReporting: %ld\n", value);
  api->get_EnableErrorPopup(0, &value);
  std::printf("early-bound EnableErrorPopup(0): %ld\n", value);
}

void LateBound(IDispatch* api) {
  VARIANT save[3];  // MemSave("late", "by ProgID", 0), last argument first
  V_VT(&save[0]) = VT_I4;
  V_I4(&save[0]) = 0;
  V_VT(&save[1]) = VT_BSTR;
  V_BSTR(&save[1]) = SysAllocString(L"by ProgID");
  V_VT(&save[2]) = VT_BSTR;
  V_BSTR(&save[2]) = SysAllocString(L"late");
  VARIANT popup;
  V_VT(&popup) = VT_I4;
  V_I4(&popup) = 1;
  CallByName(api, L"MemMark", DISPATCH_METHOD);
  CallByName(api, L"MemSave", DISPATCH_METHOD, save, 3);
  CallByName(api, L"MemPopup", DISPATCH_METHOD);
  CallByName(api, L"StartEventReporting", DISPATCH_PROPERTYGET);
  CallByName(api, L"EventReportingState", DISPATCH_PROPERTYGET);
  CallByName(api, L"StopEventReporting", DISPATCH_PROPERTYGET);
  CallByName(api, L"EnableErrorPopup", DISPATCH_PROPERTYGET, &popup, 1);
  VariantClear(&save[1]);
  VariantClear(&save[2]);
}

int UseQvApi() {
  IQV_Api* api = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_QV_Api, nullptr, CLSCTX_INPROC_SERVER, IID_IQV_Api,
                                reinterpret_cast<void**>(&api));
  if (FAILED(hr)) {
    std::printf("CoCreateInstance by class id failed: 0x%08lx\n", hr);
    return 1;
  }
  EarlyBound(api);
  api->Release();

  // The ProgID may resolve to a class id of the context's own; create with
  // it, never compare it with CLSID_QV_Api.
  CLSID byProgId;
  IDispatch* dispatch = nullptr;
  hr = CLSIDFromProgID(L"QVAPI.QV_Api", &byProgId);
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(byProgId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(&dispatch));
  if (FAILED(hr)) {
    std::printf("CoCreateInstance by ProgID failed: 0x%08lx\n", hr);
    return 1;
  }
  LateBound(dispatch);
  dispatch->Release();
  return 0;
}

// Activates the assembly's manifest (the path of QVAPI.sxs.manifest) for
// this thread: the context, and in *cookie what DeactivateActCtx takes;
// INVALID_HANDLE_VALUE when it cannot be activated.
HANDLE ActivateManifest(const wchar_t* manifest, ULONG_PTR* cookie) {
  ACTCTXW description = {sizeof description};
  description.lpSource = manifest;
  HANDLE context = CreateActCtxW(&description);
  if (context != INVALID_HANDLE_VALUE && !ActivateActCtx(context, cookie)) {
    ReleaseActCtx(context);
    context = INVALID_HANDLE_VALUE;
  }
  return context;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  HANDLE context = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie = 0;
  if (count > 1) {  // no manifest of its own: the assembly's named on the command line
    context = ActivateManifest(arguments[1], &cookie);
    if (context == INVALID_HANDLE_VALUE) {
      std::printf("cannot activate %ls: %lu\n", arguments[1], GetLastError());
      return 1;
    }
  }
  LocalFree(arguments);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const int result = UseQvApi();
  CoUninitialize();
  if (context != INVALID_HANDLE_VALUE) {
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
  }
  return result;
}
