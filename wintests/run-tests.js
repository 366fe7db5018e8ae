// The QVAPI conformance kit's runner (README.txt says what it checks and
// where Windows and Wine may rightly differ). run-tests.cmd starts it in the
// 32-bit script host, whose children (cmd, reg, regsvr32, msiexec, cscript)
// are the 32-bit ones too. Every check is counted; the report goes to the
// console and to report.txt beside this file, the programs' own output to
// results\. The exit code is 0 when nothing failed, 1 when something did, 2
// when the kit refused to run.
var shell = WScript.CreateObject("WScript.Shell");
var fso = WScript.CreateObject("Scripting.FileSystemObject");
var kit = fso.GetParentFolderName(WScript.ScriptFullName);
var results = kit + "\\results";
var force = WScript.Arguments.length === 1 && /^[\/-]force$/i.test(WScript.Arguments(0));
var totals = {passed: 0, failed: 0, skipped: 0};
var report;

function say(line) {
  WScript.Echo(line);
  report.WriteLine(line);
}

function read(path) {
  if (!fso.FileExists(path)) return "";
  var file = fso.OpenTextFile(path, 1);
  var text = file.AtEndOfStream ? "" : file.ReadAll();
  file.Close();
  return text.replace(/\r/g, "");
}

// Runs a command line from the kit's folder; its output goes to
// results\NAME.txt. The exit code.
function run(command, name, environment) {
  var line = "cd /d \"" + kit + "\"& ";
  for (var variable in environment) line += "set \"" + variable + "=" + environment[variable] + "\"& ";
  var output = results + "\\" + name + ".txt";
  return shell.Run("cmd /s /c \"" + line + command + " > \"" + output + "\" 2>&1\"", 0, true);
}

function output(name) { return read(results + "\\" + name + ".txt"); }

// An environment variable's value, without the padding some hosts add.
function environment(name) { return shell.ExpandEnvironmentStrings("%" + name + "%").replace(/[\s\0]+$/, ""); }

function count(name, outcome, why) {
  totals[outcome]++;
  say({passed: "PASS ", failed: "FAIL ", skipped: "SKIP "}[outcome] + name + (why ? ": " + why : ""));
}

// What the server's assembly manifest names: the keys of its registration.
function serverKeys() {
  var manifest = read(kit + "\\QVAPI.sxs.manifest");
  var named = function (attribute) { return new RegExp(" " + attribute + "=\"([^\"]*)\"").exec(manifest)[1]; };
  return {
    classKey: "CLSID\\" + named("clsid"),
    progIds: [named("progid"), /<progid>([^<]*)<\/progid>/.exec(manifest)[1]],
    library: "TypeLib\\" + named("tlbid"),
    interfaceKey: "Interface\\" + named("iid")
  };
}
var keys = serverKeys();
var allKeys = [keys.classKey].concat(keys.progIds, [keys.library, keys.interfaceKey]);
var roots = ["HKLM\\Software\\Classes", "HKCU\\Software\\Classes"];

function exists(key) { return run("reg query \"" + key + "\"", "query") === 0; }

// The default value of a key of HKEY_CLASSES_ROOT, or null.
function value(key) {
  if (run("reg query \"HKCR\\" + key + "\" /ve", "query") !== 0) return null;
  var found = /REG_\w+\s+(.*)$/m.exec(output("query"));
  return found ? found[1].replace(/\s+$/, "") : "";
}

function isKitFile(path) { return path !== null && path.toLowerCase() === (kit + "\\QVAPI.DLL").toLowerCase(); }

// Entries of the class, its ProgIDs or its type library that point
// outside the kit: a real installation of the tool, not to be disturbed.
function foreignRegistration() {
  var found = [];
  var server = value(keys.classKey + "\\InprocServer32");
  if (server !== null && !isKitFile(server)) found.push(keys.classKey + " (" + server + ")");
  var library = value(keys.library + "\\1.0\\0\\win32");
  if (library !== null && !isKitFile(library)) found.push(keys.library + " (" + library + ")");
  for (var i = 0; i < keys.progIds.length; i++) {
    if (value(keys.progIds[i]) !== null && !isKitFile(server)) found.push(keys.progIds[i]);
  }
  return found;
}

function wipe(rootsToWipe) {
  for (var r = 0; r < rootsToWipe.length; r++) {
    for (var k = 0; k < allKeys.length; k++) run("reg delete \"" + rootsToWipe[r] + "\\" + allKeys[k] + "\" /f", "wipe");
  }
}

// A gtest program: its cases counted from its summary; with `adminOnly`
// (a filter) those cases are skipped when not elevated.
function suites(program, elevated, adminOnly) {
  if (!elevated && adminOnly) {
    run(program + " --gtest_list_tests --gtest_filter=" + adminOnly, program + ".list");
    var listed = output(program + ".list").match(/^  \S/mg) || [];
    totals.skipped += listed.length;
    say("SKIP " + program + ": " + listed.length + " cases that register for the machine (not elevated)");
    if (adminOnly === "*") return;
  }
  var code = run(program + " --gtest_brief=1" + (elevated || !adminOnly ? "" : " --gtest_filter=-" + adminOnly), program);
  var text = output(program);
  var number = function (pattern) { var m = pattern.exec(text); return m ? parseInt(m[1], 10) : 0; };
  var passed = number(/\[  PASSED  \] (\d+) tests?\./);
  var failed = number(/\[  FAILED  \] (\d+) tests?, listed below/);
  var skipped = number(/\[  SKIPPED \] (\d+) tests?, listed below/);
  if (!/\[  PASSED  \]/.test(text) || (code !== 0 && failed === 0)) failed++;  // it broke off
  totals.passed += passed;
  totals.failed += failed;
  totals.skipped += skipped;
  say((failed ? "FAIL " : "PASS ") + program + ": " + passed + " passed, " + failed + " failed" +
      (skipped ? ", " + skipped + " skipped" : "") + (failed ? " (results\\" + program + ".txt)" : ""));
}

// The sections of an expected-output file, by client ("name:" lines).
function expected(file) {
  var sections = {}, name = null;
  var lines = read(kit + "\\" + file).split("\n");
  for (var i = 0; i < lines.length; i++) {
    if (/^\S+:$/.test(lines[i])) sections[name = lines[i].slice(0, -1)] = "";
    if (name !== null && lines[i] !== "") sections[name] += lines[i] + "\n";
  }
  return sections;
}

var standins = {
  QVAPI_STANDIN_CORE: "KTCORE.DLL",
  QVAPI_STANDIN_RESULT_EnableErrorPopup: "1",
  QVAPI_STANDIN_RESULT_EvtReportingState: "-3"
};

// A client run with the stand-ins: what it printed and what reached them,
// as the expected files show it. `command` starts with the client's name.
function client(command, folder) {
  var name = command.split(" ")[0];
  var journal = results + "\\journal.txt";
  if (fso.FileExists(journal)) fso.DeleteFile(journal);
  standins.QVAPI_STANDIN_JOURNAL = journal;
  var program = /\.(vbs|js)$/.test(name) ? "cscript //nologo \"" + kit + "\\" + name + "\"" : "\"" + kit + "\\" + command.replace(name, name + "\"");
  var code = run((folder ? "cd /d \"" + folder + "\"& " : "") + program, name, standins);
  var indent = function (text, by) { return text.replace(/\n$/, "").replace(/^/mg, by) + "\n"; };
  var printed = output(name);
  return {code: code, journal: read(journal),
          text: name + ":\n" + (printed ? indent(printed, "  ") : "") + "  the stand-ins received:\n" + indent(read(journal), "    ")};
}

function compareClient(command, sections, label, folder) {
  var name = command.split(" ")[0];
  var got = client(command, folder);
  if (got.text === sections[name]) count(label + name, "passed");
  else count(label + name, "failed", "its output and calls differ from the expected ones (results\\" + name + ".txt)");
  return got;
}

function main() {
  say("QVAPI conformance kit, " + read(kit + "\\VERSION.txt").replace(/\n/g, ""));
  run("ver", "ver");
  say("Windows: " + output("ver").replace(/^\s+|\s+$/g, "") + ", build " +
      shell.RegRead("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\CurrentBuild") +
      ", " + environment("PROCESSOR_ARCHITECTURE") + " process");

  var foreign = foreignRegistration();
  if (foreign.length && !force) {
    say("STOP: QVAPI is already registered outside this kit: " + foreign.join(", ") + ".");
    say("Nothing was run or changed. run-tests.cmd /force runs anyway and puts these entries back at the end.");
    return 2;
  }
  if (foreign.length) say("NOTE /force: the registration found (" + foreign.join(", ") + ") is put back at the end");

  var elevated = run("reg add HKLM\\Software\\Classes\\QVAPI.ElevationProbe /f", "probe") === 0;
  run("reg delete HKLM\\Software\\Classes\\QVAPI.ElevationProbe /f", "probe");
  say(elevated ? "Elevated: every check runs." : "Not elevated: the checks that register for the machine are skipped.");

  // The machine's and the user's entries for these keys, put back at the end.
  var saved = [];
  for (var r = 0; r < roots.length; r++) {
    for (var k = 0; k < allKeys.length; k++) {
      var file = results + "\\saved-" + saved.length + ".reg";
      if (run("reg export \"" + roots[r] + "\\" + allKeys[k] + "\" \"" + file + "\" /y", "save") === 0) saved.push(file);
    }
  }
  var writable = elevated ? roots : roots.slice(1);
  try {
    wipe(writable);
    suites("qvapi_tests.exe", elevated, "Dispatch.*:RegisteredServer.*:DllRegistration.*:ModuleRegistration.*");
    suites("fault_injection.exe", elevated, "*");
    wipe(writable);
    registeredClients(elevated);
    wipe(writable);
    perUserClient();
    wipe(writable);
    registrationFree();
    installerPackage(elevated, foreign.length > 0);
  } finally {
    // The test package's code is its own: this never removes a real installation.
    if (elevated) run("msiexec /x \"" + kit + "\\QVAPI-tests.msi\" /qn", "cleanup");
    run("regsvr32 /s /u \"" + kit + "\\QVAPI.DLL\"", "cleanup");
    run("regsvr32 /s /u /n /i:user \"" + kit + "\\QVAPI.DLL\"", "cleanup");
    wipe(writable);
    for (var s = 0; s < saved.length; s++) run("reg import \"" + saved[s] + "\"", "restore");
  }
  return totals.failed ? 1 : 0;
}

// The four clients against QVAPI.DLL registered for the machine, and the
// type library's FLAGS as the platform's registration writes it.
function registeredClients(elevated) {
  var clients = ["plain_exports.exe", "early_bound.exe", "automation_client.vbs", "automation_client.js"];
  if (!elevated) {
    var checks = clients.concat(["FLAGS", "regsvr32 /u"]);
    for (var i = 0; i < checks.length; i++) count("registered: " + checks[i], "skipped", "registers for the machine (not elevated)");
    return;
  }
  if (run("regsvr32 /s \"" + kit + "\\QVAPI.DLL\"", "regsvr32") !== 0) return count("registered: regsvr32 QVAPI.DLL", "failed");
  var sections = expected("clients.expected");
  for (var c = 0; c < clients.length; c++) compareClient(clients[c], sections, "registered: ");
  var flags = value(keys.library + "\\1.0\\FLAGS");
  if (flags === "0" || flags === "8") {
    count("registered: FLAGS", "passed", flags === "0" ? "0, the declared flags (as Windows writes it)" :
          "8, with the flag of a library loaded from a file (as Wine writes it)");
  } else {
    count("registered: FLAGS", "failed", "is " + flags);
  }
  run("regsvr32 /s /u \"" + kit + "\\QVAPI.DLL\"", "regsvr32");
  if (value(keys.progIds[0]) === null) count("registered: regsvr32 /u", "passed");
  else count("registered: regsvr32 /u", "failed", keys.progIds[0] + " stays");
}

// Registered for the user alone: Windows merges the user's classes over the
// machine's and creates the class; Wine does not merge, and does not.
function perUserClient() {
  if (run("regsvr32 /s /n /i:user \"" + kit + "\\QVAPI.DLL\"", "regsvr32") !== 0) return count("for the user: regsvr32 /n /i:user", "failed");
  var got = client("automation_client.vbs");
  if (got.text === expected("clients.expected")["automation_client.vbs"]) {
    count("for the user: automation_client.vbs", "passed", "created through the user's classes (as Windows merges them)");
  } else if (got.journal === "") {
    count("for the user: automation_client.vbs", "passed", "not created: the user's classes are not merged (as under Wine)");
  } else {
    count("for the user: automation_client.vbs", "failed", "results\\automation_client.vbs.txt");
  }
  run("regsvr32 /s /u /n /i:user \"" + kit + "\\QVAPI.DLL\"", "regsvr32");
  if (!exists("HKCU\\Software\\Classes\\" + keys.classKey)) count("for the user: regsvr32 /u /n /i:user", "passed");
  else count("for the user: regsvr32 /u /n /i:user", "failed", "the class stays");
}

// With nothing of the server registered: through the program's own
// manifest, and through the assembly's manifest activated at run time.
function registrationFree() {
  var left = [];
  for (var k = 0; k < allKeys.length; k++) if (exists("HKCR\\" + allKeys[k])) left.push(allKeys[k]);
  var clients = ["registration_free.exe", "activation_context.exe \"" + kit + "\\QVAPI.sxs.manifest\""];
  for (var c = 0; c < clients.length; c++) {
    if (left.length) count("registration-free: " + clients[c].split(" ")[0], "skipped", "registered for the machine: " + left.join(", "));
    else compareClient(clients[c], expected("registration_free.expected"), "registration-free: ");
  }
}

// The package built for tests (the DLL and the stand-ins): installed, it
// serves the script client; removed, it leaves no class and no folder.
function installerPackage(elevated, foreign) {
  var folder = environment("ProgramFiles") + "\\QVAPI";
  var why = !elevated ? "installs for the machine (not elevated)" :
            foreign ? "QVAPI is registered on this machine; the package would replace it" :
            fso.FolderExists(folder) ? folder + " exists; the package would replace it" : null;
  if (why) {
    count("package: automation_client.vbs", "skipped", why);
    return count("package: msiexec /x", "skipped", why);
  }
  if (run("msiexec /i \"" + kit + "\\QVAPI-tests.msi\" /qn", "msiexec") !== 0) return count("package: msiexec /i", "failed");
  compareClient("automation_client.vbs", expected("clients.expected"), "package: ", folder);
  var removed = run("msiexec /x \"" + kit + "\\QVAPI-tests.msi\" /qn", "msiexec") === 0;
  var left = value(keys.classKey) !== null ? keys.classKey : fso.FolderExists(folder) ? folder : null;
  if (removed && !left) count("package: msiexec /x", "passed");
  else count("package: msiexec /x", "failed", removed ? left + " stays" : "msiexec failed");
}

if (!fso.FolderExists(results)) fso.CreateFolder(results);
report = fso.CreateTextFile(kit + "\\report.txt", true);
var code = 2;
try {
  code = main();
} catch (error) {
  say("FAIL the runner: " + error.message);
  totals.failed++;
  code = 1;
}
if (code !== 2) {
  say(totals.passed + " passed, " + totals.failed + " failed" + (totals.skipped ? ", " + totals.skipped + " skipped" : ""));
}
report.Close();
WScript.Quit(code);
