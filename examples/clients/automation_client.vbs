' QVAPI from VBScript: creates the automation class by its version-
' independent ProgID and calls every member late-bound. Register QVAPI.DLL
' first (regsvr32 QVAPI.DLL), then run it in the 32-bit script host:
'   cscript //nologo automation_client.vbs                       (32-bit Windows)
'   %SystemRoot%\SysWOW64\cscript.exe //nologo automation_client.vbs  (64-bit)
Option Explicit

Dim api
On Error Resume Next
Set api = CreateObject("QVAPI.QV_Api")
If Err.Number <> 0 Then
  ' VBScript's own errors (429: cannot create the object) as the HRESULTs
  ' that the reference and other hosts show (800A01AD).
  Dim code
  code = Hex(Err.Number)
  If Err.Number > 0 And Err.Number < 65536 Then code = "800A" & Right("000" & code, 4)
  WScript.Echo "QVAPI.QV_Api could not be created: error " & code & " (" & Err.Description & ")."
  WScript.Echo "Check that QVAPI.DLL is registered (regsvr32 QVAPI.DLL), that QVEvtRpt.DLL is beside"
  WScript.Echo "it, and that this is the 32-bit script host (on 64-bit Windows:"
  WScript.Echo "%SystemRoot%\SysWOW64\cscript.exe)."
  WScript.Quit 1
End If
On Error GoTo 0

api.MemMark
api.MemSave "startup", "after init", 1
api.MemPopup
WScript.Echo "StartEventReporting: " & api.StartEventReporting
WScript.Echo "EventReportingState: " & api.EventReportingState
WScript.Echo "StopEventReporting: " & api.StopEventReporting
WScript.Echo "EnableErrorPopup(0): " & api.EnableErrorPopup(0)
