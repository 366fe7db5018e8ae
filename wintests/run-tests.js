// The QVAPI conformance kit's runner (README.txt says what it checks, what
// it touches and what each platform is expected to show). run-tests.cmd
// starts it in the 32-bit script host, whose children (cmd, reg, regsvr32,
// msiexec, cscript) are the 32-bit ones too; every program it starts runs
// through deadline.exe with a deadline. Before it changes anything it saves
// what it may change outside its own folder, and puts that back at the end,
// or at the start of the next run when this one was stopped. Every check is
// counted; the report goes to the console and to report.txt beside this
// file, the programs' own output to results\. The exit code is 0 when
// nothing failed, 1 when something did, 2 when the kit refused to run,
// having changed nothing.
var shell = WScript.CreateObject("WScript.Shell");
var fso = WScript.CreateObject("Scripting.FileSystemObject");
var kit = fso.GetParentFolderName(WScript.ScriptFullName);
var results = kit + "\\results";
var totals = {passed: 0, failed: 0, skipped: 0};
var report = null;

// Seconds a program may take before it is ended and counted failed.
var deadlines = {command: 60, client: 60, installer: 300, suite: 900};
var DEADLINE_PASSED = 1460;  // deadline.exe's exit code for a program it ended

function say(line) {
  WScript.Echo(line);
  try {
    report.WriteLine(line);
  } catch (error) {  // a character the ANSI code page cannot spell
    report.WriteLine(line.replace(/[^\x20-\x7e]/g, "?"));
  }
}

function read(path, unicode) {
  if (!fso.FileExists(path)) return "";
  var file = fso.OpenTextFile(path, 1, false, unicode ? -1 : 0);
  var text = file.AtEndOfStream ? "" : file.ReadAll();
  file.Close();
  return text.replace(/\r/g, "");
}

// A file the kit cannot run without.
function readKitFile(name) {
  if (!fso.FileExists(kit + "\\" + name)) throw new Error(name + " is missing from the kit");
  return read(kit + "\\" + name);
}

function write(path, text) {
  var file = fso.CreateTextFile(path, true);
  file.Write(text);
  file.Close();
}

// Runs a command line from the kit's folder and ends it after `seconds`; its
// output goes to results\NAME.txt. The exit code, DEADLINE_PASSED when it was ended.
function run(command, name, seconds, environment) {
  var line = "cd /d \"" + kit + "\"& ";
  for (var variable in environment) line += "set \"" + variable + "=" + environment[variable] + "\"& ";
  var output = results + "\\" + name + ".txt";
  return shell.Run("\"" + kit + "\\deadline.exe\" " + (seconds || deadlines.command) + " cmd /s /c \"" +
                   line + command + " > \"" + output + "\" 2>&1\"", 0, true);
}

function output(name) { return read(results + "\\" + name + ".txt"); }

// Why a program's run failed, for the report.
function failure(code, seconds) {
  return code === DEADLINE_PASSED ? "did not end within " + (seconds || deadlines.command) + " s and was ended" :
         "exit code " + code;
}

// An environment variable's value, "" when it is not set.
function environment(name) {
  var value = shell.ExpandEnvironmentStrings("%" + name + "%").replace(/[\s\0]+$/, "");
  return value === "%" + name + "%" ? "" : value;
}

// An exception as text: the platform's objects may give no message.
function describe(error) {
  return error.message || "error 0x" + (error.number >>> 0).toString(16).toUpperCase();
}

function count(name, outcome, why) {
  totals[outcome]++;
  say({passed: "PASS ", failed: "FAIL ", skipped: "SKIP "}[outcome] + name + (why ? ": " + why : ""));
}

// A registry command that names its view: the 32-bit one, where the 32-bit
// server registers, unless an entry says otherwise. The 64-bit view is
// changed by the 64-bit registry tool, as 64-bit programs see it.
function reg(operation, operand, view, options) {
  view = view || 32;
  return (view == 64 ? "\"" + environment("SystemRoot") + "\\Sysnative\\reg.exe\"" : "reg") + " " + operation +
         " \"" + operand + "\"" + (options ? " " + options : "") + " /reg:" + view;
}

function exists(key, view) { return run(reg("query", key, view), "query") === 0; }

// The default value of a key of HKEY_CLASSES_ROOT as this 32-bit process
// sees it, read as text whatever the console's code page; null when the
// key or its value is missing.
function value(key) {
  try {
    return String(shell.RegRead("HKCR\\" + key + "\\"));
  } catch (error) {
    return null;
  }
}

// What the server's assembly manifest names: the keys of its registration.
function serverKeys() {
  var manifest = readKitFile("QVAPI.sxs.manifest");
  var named = function (pattern, what) {
    var found = pattern.exec(manifest);
    if (!found) throw new Error("QVAPI.sxs.manifest names no " + what);
    return found[1];
  };
  var keys = {
    classKey: "CLSID\\" + named(/ clsid="([^"]*)"/, "class"),
    progIds: [named(/ progid="([^"]*)"/, "ProgID"), named(/<progid>([^<]*)<\/progid>/, "versioned ProgID")],
    library: "TypeLib\\" + named(/ tlbid="([^"]*)"/, "type library"),
    interfaceKey: "Interface\\" + named(/ iid="([^"]*)"/, "interface")
  };
  keys.all = [keys.classKey].concat(keys.progIds, [keys.library, keys.interfaceKey]);
  return keys;
}

// The two packages' identities: the release's, whose installation the kit
// leaves alone, and the kit's own.
function packageIdentities() {
  var text = readKitFile("packages.txt");
  var field = function (name) {
    var found = new RegExp("^" + name + "=(.+)$", "m").exec(text);
    if (!found) throw new Error("packages.txt names no " + name);
    return found[1];
  };
  return {release: field("release UpgradeCode"), kit: field("kit UpgradeCode"), folder: field("kit folder")};
}

// The product codes installed under an upgrade code, as Windows Installer
// records them.
function installedProducts(upgradeCode) {
  var list = new ActiveXObject("WindowsInstaller.Installer").RelatedProducts(upgradeCode);
  var codes = [];
  for (var i = 0; i < list.Count; i++) codes.push(list.Item(i));
  return codes;
}

// Removes what the kit's own package left installed; what stays, for the report.
function removeKitPackage(packages) {
  var products = installedProducts(packages.kit);
  for (var i = 0; i < products.length; i++) run("msiexec /x " + products[i] + " /qn", "msiexec", deadlines.installer);
  products = installedProducts(packages.kit);
  return products.length ? ["the kit's package stays installed (" + products.join(", ") + ")"] : [];
}

function isKitFile(path) { return path !== null && path.toLowerCase() === (kit + "\\QVAPI.DLL").toLowerCase(); }

// Entries of the class, its ProgIDs or its type library that point
// outside the kit: a real installation of the tool, not to be disturbed.
function foreignRegistration(keys) {
  var found = [];
  var server = value(keys.classKey + "\\InprocServer32");
  if (server !== null && !isKitFile(server)) found.push(keys.classKey + " (" + server + ")");
  var library = value(keys.library + "\\1.0\\0\\win32");
  if (library !== null && !isKitFile(library)) found.push(keys.library + " (" + library + ")");
  for (var i = 0; i < keys.progIds.length; i++) {
    if (exists("HKCR\\" + keys.progIds[i]) && !isKitFile(server)) found.push(keys.progIds[i]);
  }
  return found;
}

// What the kit may change: the server's keys in the 32-bit view under each
// root it may write, and on 64-bit Windows the interface key in the 64-bit
// view, where the platform's type-library registration writes it too.
function changeableEntries(keys, roots, platform) {
  var entries = [];
  for (var r = 0; r < roots.length; r++) {
    for (var k = 0; k < keys.all.length; k++) entries.push({view: 32, path: roots[r] + "\\" + keys.all[k]});
    if (platform.sixtyFourBit) entries.push({view: 64, path: roots[r] + "\\" + keys.interfaceKey});
  }
  return entries;
}

function wipe(entries) {
  var commands = [reg("delete", "HKCU\\Software\\QVAPI-tests", 32, "/f")];  // the tests' own key
  for (var i = 0; i < entries.length; i++) commands.push(reg("delete", entries[i].path, entries[i].view, "/f"));
  run(commands.join("& "), "wipe");
}

// The backup of what the kit may change. It lives outside the kit's folder,
// so that it outlives the run and the folder; it is written once, before
// anything is changed, complete only when its index is, and removed only
// after a restore that was checked.
function backupFolder() {
  var local = environment("LOCALAPPDATA");
  if (!local) throw new Error("LOCALAPPDATA is not set: there is no place for the backup");
  return local + "\\QVAPI-tests";
}
function backupIndex() { return backupFolder() + "\\backup.txt"; }

// Saves the entries; the reason when they could not all be saved (nothing
// has been changed then, and no backup is left).
function saveBackup(entries) {
  var folder = backupFolder(), lines = [];
  try {
    if (fso.FolderExists(folder)) fso.DeleteFolder(folder, true);  // a save that broke off
    fso.CreateFolder(folder);
    for (var i = 0; i < entries.length; i++) {
      var entry = entries[i], file = "";
      if (exists(entry.path, entry.view)) {
        file = "saved-" + i + ".reg";
        var code = run(reg("export", entry.path, entry.view, "\"" + folder + "\\" + file + "\" /y"), "save");
        if (code !== 0 || !fso.FileExists(folder + "\\" + file)) {
          throw new Error(entry.path + " (" + entry.view + "-bit view) could not be exported: " + failure(code) +
                          " (results\\save.txt)");
        }
      }
      lines.push(entry.view + "\t" + entry.path + "\t" + file);
    }
    write(backupIndex() + ".new", lines.join("\r\n") + "\r\n");
    fso.MoveFile(backupIndex() + ".new", backupIndex());
    return null;
  } catch (error) {
    try {
      if (fso.FolderExists(folder)) fso.DeleteFolder(folder, true);
    } catch (ignored) {}  // what the reason names matters more
    return "the backup in " + folder + " could not be written: " + describe(error);
  }
}

// Puts each saved entry back as it was (an entry that did not exist is
// removed) and checks it by exporting it again; the backup is removed when
// every entry checks. What failed, for the report.
function restoreBackup(packages) {
  var folder = backupFolder(), check = folder + "\\check.reg", problems;
  try {
    problems = removeKitPackage(packages);
  } catch (error) {
    problems = ["Windows Installer could not be asked about the kit's package: " + describe(error)];
  }
  var lines = read(backupIndex()).split("\n");
  for (var i = 0; i < lines.length; i++) {
    var entry = lines[i].split("\t");
    if (entry.length !== 3) continue;
    var view = entry[0], path = entry[1], saved = entry[2] ? folder + "\\" + entry[2] : null;
    var where = path + " (" + view + "-bit view)";
    run(reg("delete", path, view, "/f"), "restore");
    if (!saved) {
      if (exists(path, view)) problems.push(where + " stays");
    } else if (run(reg("import", saved, view), "restore") !== 0) {
      problems.push(where + " could not be imported (results\\restore.txt)");
    } else if (run(reg("export", path, view, "\"" + check + "\" /y"), "restore") !== 0 ||
               read(check, true) !== read(saved, true)) {
      problems.push(where + " differs from what was saved");
    }
  }
  if (!problems.length) {
    try {
      fso.DeleteFolder(folder, true);
    } catch (error) {
      problems.push("the checked backup could not be removed: " + describe(error));
    }
  }
  return problems;
}

// What each platform documents, chosen by the platform found.
function detectPlatform() {
  write(results + "\\probe.vbs", "WScript.Echo \"VBScript runs\"\r\n");
  run("cscript //nologo \"" + results + "\\probe.vbs\"", "probe.vbs", deadlines.client);
  return {
    wine: exists("HKLM\\Software\\Wine"),
    sixtyFourBit: environment("PROCESSOR_ARCHITEW6432") !== "",  // set in 32-bit processes of 64-bit Windows
    vbscript: output("probe.vbs") === "VBScript runs\n"  // an optional feature of Windows 11
  };
}

function main() {
  say("QVAPI conformance kit, " + readKitFile("VERSION.txt").replace(/\n/g, ""));
  run("ver", "ver");
  say("Windows: " + output("ver").replace(/^\s+|\s+$/g, "") + ", build " +
      shell.RegRead("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\CurrentBuild") +
      ", " + environment("PROCESSOR_ARCHITECTURE") + " process");
  var force = WScript.Arguments.length === 1 && /^[\/-]force$/i.test(WScript.Arguments(0));
  if (WScript.Arguments.length > (force ? 1 : 0)) {
    say("STOP: usage: run-tests.cmd [/force]. Nothing was run or changed.");
    return 2;
  }
  if (environment("PROCESSOR_ARCHITECTURE").toLowerCase() !== "x86") {
    say("STOP: this is the 64-bit script host, which cannot load the 32-bit server. Run run-tests.cmd, " +
        "or %SystemRoot%\\SysWOW64\\cscript.exe run-tests.js. Nothing was run or changed.");
    return 2;
  }

  var packages = packageIdentities();
  if (fso.FileExists(backupIndex())) {
    say("NOTE an earlier run stopped before it put back what it saved: putting it back now from " + backupFolder());
    var pending = restoreBackup(packages);
    if (pending.length) {
      count("put back the earlier run's backup", "failed", pending.join("; ") + ". The backup stays in " +
            backupFolder() + "; run run-tests.cmd again as administrator to put it back");
      return 1;
    }
    count("put back the earlier run's backup", "passed");
  }

  var keys = serverKeys();
  var platform = detectPlatform();
  say("Platform: " + (platform.wine ? "Wine" : "Windows") + ", " + (platform.sixtyFourBit ? "64" : "32") +
      "-bit, VBScript " + (platform.vbscript ? "installed" : "not installed"));
  var foreign = foreignRegistration(keys);
  if (foreign.length && !force) {
    say("STOP: QVAPI is already registered outside this kit: " + foreign.join(", ") + ".");
    say("Nothing was run or changed. run-tests.cmd /force runs anyway and puts these entries back at the end.");
    return 2;
  }
  if (foreign.length) say("NOTE /force: the registration found (" + foreign.join(", ") + ") is put back at the end");

  var elevated = run(reg("add", "HKLM\\Software\\Classes\\QVAPI.ElevationProbe", 32, "/f"), "probe") === 0;
  run(reg("delete", "HKLM\\Software\\Classes\\QVAPI.ElevationProbe", 32, "/f"), "probe");
  say(elevated ? "Elevated: every check runs." : "Not elevated: the checks that register for the machine are skipped.");

  var entries = changeableEntries(keys, elevated ? ["HKLM\\Software\\Classes", "HKCU\\Software\\Classes"] :
                                                   ["HKCU\\Software\\Classes"], platform);
  var notSaved = saveBackup(entries);
  if (notSaved) {
    count("save the entries the kit may change", "failed", notSaved + ". Nothing was changed");
    return 1;
  }
  say("Saved the entries the kit may change in " + backupFolder() + " until they are put back.");
  try {
    wipe(entries);
    suites("qvapi_tests.exe", elevated, "Dispatch.*:RegisteredServer.*:DllRegistration.*:ModuleRegistration.*");
    suites("fault_injection.exe", elevated, "*");
    wipe(entries);
    registeredClients(elevated, platform, keys);
    wipe(entries);
    perUserClient(elevated, platform, keys);
    wipe(entries);
    registrationFree(keys);
    installerPackage(elevated, platform, keys, packages);
  } finally {
    // Each saved entry is deleted and put back by the restore; the tests'
    // own key only needs taking away.
    run(reg("delete", "HKCU\\Software\\QVAPI-tests", 32, "/f"), "wipe");
    var problems = restoreBackup(packages);
    if (problems.length) {
      count("put back the saved entries", "failed", problems.join("; ") + ". The backup stays in " + backupFolder() +
            "; the next run puts it back first");
    } else {
      count("put back the saved entries", "passed");
    }
  }
  return totals.failed ? 1 : 0;
}

// A gtest program: its cases counted from its summary; with `adminOnly`
// (a filter) those cases are skipped when not elevated, once listed.
function suites(program, elevated, adminOnly) {
  if (!elevated && adminOnly) {
    var listing = run(program + " --gtest_list_tests --gtest_filter=" + adminOnly, program + ".list");
    var listed = output(program + ".list").match(/^  \S/mg) || [];
    if (listing !== 0 || !listed.length) {
      count(program + ": listing the cases that register for the machine", "failed",
            (listing !== 0 ? failure(listing) : "no case listed") + " (results\\" + program + ".list.txt)");
    } else {
      totals.skipped += listed.length;
      say("SKIP " + program + ": " + listed.length + " cases that register for the machine (not elevated)");
    }
    if (adminOnly === "*") return;
  }
  var code = run(program + " --gtest_brief=1" + (elevated || !adminOnly ? "" : " --gtest_filter=-" + adminOnly),
                 program, deadlines.suite);
  var text = output(program);
  var number = function (pattern) { var m = pattern.exec(text); return m ? parseInt(m[1], 10) : 0; };
  var passed = number(/\[  PASSED  \] (\d+) tests?\./);
  var failed = number(/\[  FAILED  \] (\d+) tests?, listed below/);
  var skipped = number(/\[  SKIPPED \] (\d+) tests?, listed below/);
  var brokeOff = !/\[  PASSED  \]/.test(text) || (code !== 0 && failed === 0);
  if (brokeOff) failed++;
  totals.passed += passed;
  totals.failed += failed;
  totals.skipped += skipped;
  say((failed ? "FAIL " : "PASS ") + program + ": " + passed + " passed, " + failed + " failed" +
      (skipped ? ", " + skipped + " skipped" : "") +
      (failed ? " (" + (brokeOff ? failure(code, deadlines.suite) + "; " : "") + "results\\" + program + ".txt)" : ""));
}

// The sections of an expected-output file, by client ("name:" lines).
function expected(file) {
  var sections = {}, name = null;
  var lines = readKitFile(file).split("\n");
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
  var code = run((folder ? "cd /d \"" + folder + "\"& " : "") + program, name, deadlines.client, standins);
  var indent = function (text, by) { return text.replace(/\n$/, "").replace(/^/mg, by) + "\n"; };
  var printed = output(name);
  return {code: code, journal: read(journal), printed: printed,
          text: name + ":\n" + (printed ? indent(printed, "  ") : "") + "  the stand-ins received:\n" + indent(read(journal), "    ")};
}

function compareClient(command, sections, label, folder) {
  var name = command.split(" ")[0];
  var got = client(command, folder);
  if (got.code === DEADLINE_PASSED) count(label + name, "failed", failure(got.code, deadlines.client));
  else if (got.text === sections[name]) count(label + name, "passed");
  else count(label + name, "failed", "its output and calls differ from the expected ones (results\\" + name + ".txt)");
}

var NO_VBSCRIPT = "VBScript is not installed (an optional feature of Windows)";

// The four clients against QVAPI.DLL registered for the machine, and the
// type library's FLAGS as the platform's registration writes it.
function registeredClients(elevated, platform, keys) {
  var clients = ["plain_exports.exe", "early_bound.exe", "automation_client.vbs", "automation_client.js"];
  if (!elevated) {
    var checks = clients.concat(["FLAGS", "regsvr32 /u"]);
    for (var i = 0; i < checks.length; i++) count("registered: " + checks[i], "skipped", "registers for the machine (not elevated)");
    return;
  }
  var code = run("regsvr32 /s \"" + kit + "\\QVAPI.DLL\"", "regsvr32");
  if (code !== 0) return count("registered: regsvr32 QVAPI.DLL", "failed", failure(code));
  var sections = expected("clients.expected");
  for (var c = 0; c < clients.length; c++) {
    if (/\.vbs$/.test(clients[c]) && !platform.vbscript) count("registered: " + clients[c], "skipped", NO_VBSCRIPT);
    else compareClient(clients[c], sections, "registered: ");
  }
  // Windows writes the library's declared flags; Wine adds the flag of a
  // library loaded from a file.
  var flags = value(keys.library + "\\1.0\\FLAGS"), wanted = platform.wine ? "8" : "0";
  if (flags === wanted) count("registered: FLAGS", "passed", flags + (platform.wine ? " (as Wine writes it)" : ""));
  else count("registered: FLAGS", "failed", "is " + flags + ", " + (platform.wine ? "Wine" : "Windows") + " writes " + wanted);
  run("regsvr32 /s /u \"" + kit + "\\QVAPI.DLL\"", "regsvr32");
  if (!exists("HKCR\\" + keys.progIds[0])) count("registered: regsvr32 /u", "passed");
  else count("registered: regsvr32 /u", "failed", keys.progIds[0] + " stays");
}

// Registered for the user alone. Windows merges the user's classes over the
// machine's, but COM ignores them in a process above medium integrity (an
// elevated one); Wine does not merge them. Where the class is not created,
// the client must show that it ran and could not create it.
function perUserClient(elevated, platform, keys) {
  var label = "for the user: automation_client.vbs";
  var code = run("regsvr32 /s /n /i:user \"" + kit + "\\QVAPI.DLL\"", "regsvr32");
  if (code !== 0) return count("for the user: regsvr32 /n /i:user", "failed", failure(code));
  if (!platform.vbscript) {
    count(label, "skipped", NO_VBSCRIPT);
  } else {
    var created = !platform.wine && !elevated;
    var why = platform.wine ? "not created: Wine does not merge the user's classes" :
              elevated ? "not created: COM ignores the user's classes in an elevated process" :
              "created through the user's classes, which Windows merges";
    var got = client("automation_client.vbs");
    var notCreated = /^QVAPI\.QV_Api could not be created: error [0-9A-F]{8}/.test(got.printed) && got.journal === "";
    if (got.code === DEADLINE_PASSED) count(label, "failed", failure(got.code, deadlines.client));
    else if (created ? got.text === expected("clients.expected")["automation_client.vbs"] : notCreated) count(label, "passed", why);
    else count(label, "failed", "expected " + why + " (results\\automation_client.vbs.txt)");
  }
  run("regsvr32 /s /u /n /i:user \"" + kit + "\\QVAPI.DLL\"", "regsvr32");
  if (!exists("HKCU\\Software\\Classes\\" + keys.classKey)) count("for the user: regsvr32 /u /n /i:user", "passed");
  else count("for the user: regsvr32 /u /n /i:user", "failed", "the class stays");
}

// With nothing of the server registered: through the program's own
// manifest, and through the assembly's manifest activated at run time.
function registrationFree(keys) {
  var left = [];
  for (var k = 0; k < keys.all.length; k++) if (exists("HKCR\\" + keys.all[k])) left.push(keys.all[k]);
  var clients = ["registration_free.exe", "activation_context.exe \"" + kit + "\\QVAPI.sxs.manifest\""];
  for (var c = 0; c < clients.length; c++) {
    if (left.length) count("registration-free: " + clients[c].split(" ")[0], "skipped", "registered for the machine: " + left.join(", "));
    else compareClient(clients[c], expected("registration_free.expected"), "registration-free: ");
  }
}

// The kit's own package (the DLL and the stand-ins): installed, it serves
// the script client; removed, it leaves no class and no folder. Never where
// the release is installed: the two register the same class.
function installerPackage(elevated, platform, keys, packages) {
  var folder = environment("ProgramFiles") + "\\" + packages.folder;
  var release = installedProducts(packages.release);
  var why = !elevated ? "installs for the machine (not elevated)" :
            release.length ? "QVAPI is installed (" + release.join(", ") + "); the kit's package would change its registration" :
            !platform.vbscript ? NO_VBSCRIPT :
            fso.FolderExists(folder) ? folder + " exists" : null;
  if (why) {
    count("package: automation_client.vbs", "skipped", why);
    return count("package: msiexec /x", "skipped", why);
  }
  var code = run("msiexec /i \"" + kit + "\\QVAPI-tests.msi\" /qn", "msiexec", deadlines.installer);
  if (code !== 0) return count("package: msiexec /i", "failed", failure(code, deadlines.installer));
  compareClient("automation_client.vbs", expected("clients.expected"), "package: ", folder);
  code = run("msiexec /x \"" + kit + "\\QVAPI-tests.msi\" /qn", "msiexec", deadlines.installer);
  var left = exists("HKCR\\" + keys.classKey) ? keys.classKey : fso.FolderExists(folder) ? folder : null;
  if (code === 0 && !left) count("package: msiexec /x", "passed");
  else count("package: msiexec /x", "failed", code !== 0 ? failure(code, deadlines.installer) : left + " stays");
}

var code = 1;
try {
  if (fso.FolderExists(results)) {
    try { fso.DeleteFolder(results, true); } catch (stale) {}  // a program of a stopped run may hold a file
  }
  if (!fso.FolderExists(results)) fso.CreateFolder(results);
  report = fso.CreateTextFile(kit + "\\report.txt", true);
  code = main();
} catch (error) {
  if (report) say("FAIL the runner: " + describe(error));
  else WScript.Echo("FAIL the runner: " + describe(error));
  totals.failed++;
  code = 1;
}
if (report) {
  if (code !== 2) say(totals.passed + " passed, " + totals.failed + " failed" + (totals.skipped ? ", " + totals.skipped + " skipped" : ""));
  report.Close();
}
WScript.Quit(code);
