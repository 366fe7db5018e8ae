' QVAPI from VBScript: creates the automation class by its version-
' independent ProgID and calls every member late-bound. Register QVAPI.DLL
' first (regsvr32 QVAPI.DLL), then run: cscript //nologo automation_client.vbs
Option Explicit

Dim api
Set api = CreateObject("QVAPI.QV_Api")

api.MemMark
api.MemSave "startup", "after init", 1
api.MemPopup
WScript.Echo "StartEventReporting: " & api.StartEventReporting
WScript.Echo "EventReportingState: " & api.EventReportingState
WScript.Echo "StopEventReporting: " & api.StopEventReporting
WScript.Echo "EnableErrorPopup(0): " & api.EnableErrorPopup(0)
