// QVAPI from JScript: creates the automation class by its versioned ProgID
// and calls every member late-bound. Register QVAPI.DLL first
// (regsvr32 QVAPI.DLL), then run it in the 32-bit script host:
//   cscript //nologo automation_client.js                       (32-bit Windows)
//   %SystemRoot%\SysWOW64\cscript.exe //nologo automation_client.js  (64-bit)
try {
  var api = new ActiveXObject("QVAPI.QV_Api.1");
} catch (error) {
  WScript.Echo("QVAPI.QV_Api.1 could not be created: error " + (error.number >>> 0).toString(16).toUpperCase() +
               " (" + error.message + ").");
  WScript.Echo("Check that QVAPI.DLL is registered (regsvr32 QVAPI.DLL), that QVEvtRpt.DLL is beside");
  WScript.Echo("it, and that this is the 32-bit script host (on 64-bit Windows:");
  WScript.Echo("%SystemRoot%\\SysWOW64\\cscript.exe).");
  WScript.Quit(1);
}

api.MemMark();
api.MemSave("startup", "after init", 1);
api.MemPopup();
WScript.Echo("StartEventReporting: " + api.StartEventReporting);
WScript.Echo("EventReportingState: " + api.EventReportingState);
WScript.Echo("StopEventReporting: " + api.StopEventReporting);
WScript.Echo("EnableErrorPopup(0): " + api.EnableErrorPopup(0));
