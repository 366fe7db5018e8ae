// QVAPI from JScript: creates the automation class by its versioned ProgID
// and calls every member late-bound. Register QVAPI.DLL first
// (regsvr32 QVAPI.DLL), then run: cscript //nologo automation_client.js
var api = new ActiveXObject("QVAPI.QV_Api.1");

api.MemMark();
api.MemSave("startup", "after init", 1);
api.MemPopup();
WScript.Echo("StartEventReporting: " + api.StartEventReporting);
WScript.Echo("EventReportingState: " + api.EventReportingState);
WScript.Echo("StopEventReporting: " + api.StopEventReporting);
WScript.Echo("EnableErrorPopup(0): " + api.EnableErrorPopup(0));
