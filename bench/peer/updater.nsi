; The peer: the same update written for NSIS, as a maintainer would reach for
; it, so that the benchmark compares our updater with the usual alternative.
; It does the same job with the same stand-ins and the same payload: one
; instance through the updater's named mutex, the installed version from the
; executable's version resource, WM_CLOSE to the window named in the ini file
; until the application's mutex is free, the companion windows, the payload
; extracted, run and awaited, "AppVer" written, the application started again
; and awaited until it takes input. Only plug-ins that come with NSIS.
;
; makensis -INPUTCHARSET UTF8 -DPAYLOAD=<file> -DOUTFILE=<exe> [-DPAUSES] updater.nsi
; With PAUSES it waits 1000 ms at the same six places as our updater.

Unicode true
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define APPLICATION_KEY "SOFTWARE\Pellix Corporation\Corvane"
!define CAPTION "Veltrano Version 2.30 アップデート・プログラム"

Name "Veltrano"
Caption "${CAPTION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Japanese.nlf"
ShowInstDetails nevershow
AutoCloseWindow true
BrandingText " "
Page instfiles

Var UpdaterMutex
Var Automatic
Var AppFolder

!macro Pause
  !ifdef PAUSES
    Sleep 1000
  !endif
!macroend

!macro Fail text
  MessageBox MB_OK|MB_ICONSTOP "${text}"
  Quit
!macroend

Function .onInit
  System::Call 'kernel32::CreateMutex(p 0, i 0, t "CorvaneUpdate.MutexObject") p .s'
  Pop $UpdaterMutex
  ${If} $UpdaterMutex = 0
    MessageBox MB_OK|MB_ICONSTOP "排他オブジェクトの作成に失敗しました。"
    Quit
  ${EndIf}
  System::Call 'kernel32::WaitForSingleObject(p $UpdaterMutex, i 0) i .s'
  Pop $0
  ${If} $0 <> 0
    Quit
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/Automatically" $1
  ${If} ${Errors}
    StrCpy $Automatic 0
  ${Else}
    StrCpy $Automatic 1
  ${EndIf}
FunctionEnd

!macro CloseByTitle title
  FindWindow $0 "" "${title}"
  ${If} $0 <> 0
    SendMessage $0 ${WM_CLOSE} 0 0
  ${EndIf}
!macroend

; Waits until the application's mutex is free, asking its main window (its
; last active popup) to close after a grace of 1000 ms; then asks the
; companion windows to close.
Function CloseApplication
  System::Call 'kernel32::CreateMutex(p 0, i 0, t "Corvane.MutexObject") p .r5'
  ${If} $5 = 0
    !insertmacro Fail "同期オブジェクトの作成に失敗しました。"
  ${EndIf}
  System::Call 'kernel32::GetTickCount() i .r6'
  StrCpy $7 0
  ${Do}
    System::Call 'kernel32::WaitForSingleObject(p r5, i 0) i .r8'
    ${IfThen} $8 <> 258 ${|} ${ExitDo} ${|}
    ${If} $7 = 0
      DetailPrint "起動中のアプリケーションを終了しています。"
      StrCpy $7 1
    ${EndIf}
    System::Call 'kernel32::GetTickCount() i .r9'
    IntOp $9 $9 - $6
    ${If} $9 U> 60000
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "起動中のアプリケーションを終了できません。" IDRETRY retry
      System::Call 'kernel32::CloseHandle(p r5)'
      Quit
      retry:
      System::Call 'kernel32::GetTickCount() i .r6'
    ${EndIf}
    ${If} $9 U> 1000
      ReadINIStr $0 "$AppFolderCorvane.ini" "Configuration" "Window.Handle"
      ${If} $0 != ""
      ${AndIf} $0 <> 0
        System::Call 'user32::IsWindow(p r0) i .r1'
        ${If} $1 <> 0
          System::Call 'user32::GetLastActivePopup(p r0) p .r1'
          SendMessage $1 ${WM_CLOSE} 0 0
        ${EndIf}
      ${EndIf}
    ${EndIf}
    Sleep 100
  ${Loop}
  System::Call 'kernel32::CloseHandle(p r5)'
  !insertmacro CloseByTitle "Corvane.ScheduleNotify"
  !insertmacro CloseByTitle "Wakebell - Untitled"
  !insertmacro CloseByTitle "Chimewell - Untitled"
FunctionEnd

; Starts the application as our updater does and waits until it takes input.
Function LaunchApplication
  ; STARTUPINFO: cb 68, STARTF_USESHOWWINDOW with SW_SHOW.
  System::Call '*(i 68, p 0, p 0, p 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 1, &i2 5, &i2 0, p 0, p 0, p 0, p 0) p .r1'
  System::Call '*(p 0, p 0, i 0, i 0) p .r2'
  System::Call 'kernel32::CreateProcess(t "$AppFolderCorvane.exe", t `"$AppFolderCorvane.exe" /Setup`, p 0, p 0, i 0, i 0x230, p 0, t "$AppFolder", p r1, p r2) i .r0'
  ${If} $0 = 0
    System::Free $1
    System::Free $2
    !insertmacro Fail "“Veltrano”の起動に失敗しました。"
  ${EndIf}
  System::Call '*$2(p .r3, p .r4)'
  System::Call 'user32::WaitForInputIdle(p r3, i -1)'
  System::Call 'kernel32::CloseHandle(p r4)'
  System::Call 'kernel32::CloseHandle(p r3)'
  System::Free $1
  System::Free $2
FunctionEnd

Section
  DetailPrint "アップデートの準備を行っています。"
  !insertmacro Pause

  ReadRegStr $AppFolder HKLM "${APPLICATION_KEY}" "AppPath"
  ${If} $AppFolder == ""
    !insertmacro Fail "このコンピュータには“Veltrano”がインストールされていません。"
  ${EndIf}
  StrCpy $0 $AppFolder "" -1
  ${If} $0 != "\"
    StrCpy $AppFolder "$AppFolder\"
  ${EndIf}

  ClearErrors
  GetDLLVersion "$AppFolderCorvane.exe" $R0 $R1
  ${If} ${Errors}
    !insertmacro Fail "バージョン情報を取得できません。"
  ${EndIf}
  IntOp $0 $R0 >> 16
  ${If} $0 < 2
    !insertmacro Fail "このコンピュータにインストールされている“Veltrano”は、本アップデートプログラムではバージョンアップできません。"
  ${EndIf}
  StrCpy $0 0
  ${If} $R0 U> 0x00020002
    StrCpy $0 1
  ${ElseIf} $R0 = 0x00020002
  ${AndIf} $R1 U> 0x00003001
    StrCpy $0 1
  ${EndIf}
  ${If} $0 = 1
    MessageBox MB_OK|MB_ICONINFORMATION "このコンピュータには、すでに最新バージョンの“Veltrano”がインストールされています。"
    Quit
  ${EndIf}
  DetailPrint "アップデートの準備が完了しました。"

  ${If} $Automatic = 0
    MessageBox MB_OKCANCEL|MB_ICONQUESTION "“Veltrano”のアップデートを実行してもよろしいですか？$\nよろしければエンターキーを、中止する場合はエスケープキーを押してください。" IDOK +2
    Quit
  ${EndIf}

  Call CloseApplication

  DetailPrint "アップデートを行っています。"
  !insertmacro Pause
  SetOutPath $AppFolder
  File "/oname=CRVUPSUB.exe" "${PAYLOAD}"
  ExecWait '"$AppFolderCRVUPSUB.exe" -n "$AppFolder"'
  !insertmacro Pause
  Delete "$AppFolderCRVUPSUB.exe"
  !insertmacro Pause

  ClearErrors
  WriteRegDWORD HKLM "${APPLICATION_KEY}" "AppVer" 0x02030001
  ${If} ${Errors}
    !insertmacro Fail "バージョン番号の更新に失敗しました。"
  ${EndIf}
  DetailPrint "アップデートが完了しました。"
  !insertmacro Pause
  ${If} $Automatic = 0
    MessageBox MB_OK|MB_ICONINFORMATION "“Veltrano”のアップデートが完了しました。"
  ${EndIf}
  DetailPrint "アップデートを終了しています。"
  !insertmacro Pause
SectionEnd

Function .onInstSuccess
  Call LaunchApplication
  System::Call 'kernel32::CloseHandle(p $UpdaterMutex)'
FunctionEnd
