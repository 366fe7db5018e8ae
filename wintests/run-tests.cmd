@echo off
rem Runs the QVAPI conformance kit: every test program and check in this
rem folder, on Windows 10 or 11, 32- or 64-bit (README.txt). From an
rem elevated prompt every check runs; from another, those that register for
rem the machine are reported as skipped. The report is also in report.txt.
rem Usage: run-tests.cmd [/force]
rem   /force: run even though QVAPI is registered from another folder; its
rem   entries are put back at the end.
setlocal
rem The kit is 32-bit: on 64-bit Windows the 32-bit script host runs it, and
rem what it starts (cmd, reg, regsvr32, msiexec, cscript) is 32-bit too.
set "host=%SystemRoot%\System32\cscript.exe"
if exist "%SystemRoot%\SysWOW64\cscript.exe" set "host=%SystemRoot%\SysWOW64\cscript.exe"
"%host%" //nologo "%~dp0run-tests.js" %*
exit /b %errorlevel%
