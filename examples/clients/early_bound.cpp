// QVAPI from C++, early-bound: creates QV_Api through the COM runtime
// (register QVAPI.DLL first) and calls every member through IQV_Api.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include <QVAPI.h>

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  IQV_Api* api = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_QV_Api, nullptr, CLSCTX_INPROC_SERVER, IID_IQV_Api,
                                reinterpret_cast<void**>(&api));
  if (FAILED(hr)) {
    std::printf("CoCreateInstance failed: 0x%08lx\n", hr);
    CoUninitialize();
    return 1;
  }
  char name[] = "startup";
  char comment[] = "after init";
  LONG value = 0;
  api->MemMark();
  api->MemSave(name, comment, 1);
  api->MemPopup();
  api->get_StartEventReporting(&value);
  std::printf("StartEventReporting: %ld\n", value);
  api->get_EventReportingState(&value);
  std::printf("EventReportingState: %ld\n", value);
  api->get_StopEventReporting(&value);
  std::printf("StopEventReporting: %ld\n", value);
  api->get_EnableErrorPopup(0, &value);
  std::printf("EnableErrorPopup(0): %ld\n", value);
  api->Release();
  CoUninitialize();
  return 0;
}
