' QVAPI from a script: creates the automation class by its ProgID and calls
' each member late-bound. Run it with cscript after registering QVAPI.DLL
' (regsvr32 QVAPI.DLL). With no run-time core of the tool in the script
' host's process, the memory members do nothing and EnableErrorPopup
' answers -1.
Option Explicit

Dim api
Set api = CreateObject("QVAPI.QV_Api")

api.MemMark
WScript.Echo "MemMark: done"
api.MemPopup
WScript.Echo "MemPopup: done"

' MemSave takes narrow strings, which the platform's late binding cannot
' pass from a script: call it early-bound, or through the QVMemSave export.
On Error Resume Next
api.MemSave "startup", "after init", 1
WScript.Echo "MemSave: late-bound call refused, error " & Err.Number
Err.Clear
On Error GoTo 0

WScript.Echo "StartEventReporting: " & api.StartEventReporting
WScript.Echo "EventReportingState: " & api.EventReportingState
WScript.Echo "StopEventReporting: " & api.StopEventReporting
WScript.Echo "EnableErrorPopup(1): " & api.EnableErrorPopup(1)
