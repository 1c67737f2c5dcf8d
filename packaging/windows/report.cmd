@echo off
rem Drop one or more flight logs (data_log.txt) on this file: each one's report
rem is written beside it as data_log.html (data_log-2.html, -3... when that name
rem is taken, so no earlier report is ever replaced) and opened in the browser.
setlocal
if "%~1"=="" (
  echo Drop a flight log ^(data_log.txt^) on report.cmd to make its report.
  pause
  exit /b 2
)
set failed=0
:each
if "%~1"=="" goto done
call :report "%~1"
shift
goto each
:done
if %failed%==1 pause
exit /b %failed%

:report
set "page=%~dpn1.html"
set /a number=1
:free
if not exist "%page%" goto write
set /a number+=1
set "page=%~dpn1-%number%.html"
goto free
:write
echo Making the report of "%~nx1"...
"%~dp0vorlat.exe" log report "%~1" -o "%page%"
if errorlevel 1 (
  echo No report was made for "%~nx1".
  set failed=1
  exit /b
)
echo Report written: "%page%"
start "" "%page%"
exit /b
