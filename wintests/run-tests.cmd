@echo off
rem Runs the QVAPI conformance kit: every test program and check in this
rem folder, on Windows 10 or 11, 32- or 64-bit (README.txt). From an
rem elevated prompt every check runs; from another, those that register for
rem the machine are reported as skipped. The report is also in report.txt.
rem Usage: run-tests.cmd [/force]
rem   /force: run even though QVAPI is registered from another folder; its
rem   entries are put back at the end.
setlocal
rem A report left by an earlier run never stands for this one.
if exist "%~dp0report.txt" del /f /q "%~dp0report.txt"
if exist "%~dp0report.txt" (
  echo run-tests: report.txt cannot be removed; nothing was run.
  exit /b 1
)
rem The kit is 32-bit: on 64-bit Windows the 32-bit script host runs it, and
rem what it starts (cmd, reg, regsvr32, msiexec, cscript) is 32-bit too.
set "host=%SystemRoot%\System32\cscript.exe"
if exist "%SystemRoot%\SysWOW64\cscript.exe" set "host=%SystemRoot%\SysWOW64\cscript.exe"
"%host%" //nologo "%~dp0run-tests.js" %*
set "code=%errorlevel%"
if not "%code%"=="0" exit /b %code%
rem Success is what the report's last line says: a count with no failure.
set "verdict="
if exist "%~dp0report.txt" for /f "usebackq tokens=2-4 delims=, " %%a in ("%~dp0report.txt") do set "verdict=%%a %%b %%c"
if not "%verdict%"=="passed 0 failed" (
  echo run-tests: the report does not end with a count of no failure.
  exit /b 1
)
exit /b 0
