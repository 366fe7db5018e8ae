/* A DLL that uses the SDK's GUIDs, linked with SafeSEH: it links only if
   every object of the GUID library is SafeSEH-clean. */
#include <windows.h>

#include <QVAPI.h>

__declspec(dllexport) const CLSID* QVAPIClassId(void) { return &CLSID_QV_Api; }
