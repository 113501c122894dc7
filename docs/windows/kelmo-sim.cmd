@echo off
rem kelmo on its simulated module: no E-154 and no Lusbapi.dll needed.
rem Without arguments the window opens; with arguments (--headless, --run-script FILE, ...)
rem kelmo runs in this console as "kelmo" does, and its exit code is this file's.
setlocal
set KELMO_MODULE_LIBRARY=sim
if "%~1"=="" (
  start "" "%~dp0kelmo.exe"
  exit /b 0
)
"%~dp0kelmo.com" %*
exit /b %ERRORLEVEL%
