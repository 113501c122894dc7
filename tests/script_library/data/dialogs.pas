// Without a screen the dialogs do not wait: each writes its text as a line, MessageDlg
// gives its first button, InputQuery false and InputBox its default.
var
  answer: Integer;
  name: string;
begin
  answer := MessageDlg('Start the test?', mtConfirmation, mbYesNo, 0);
  if answer = mrYes then writeLn('yes');
  answer := MessageDlg('Valve check', mtWarning, mbOKCancel, 0);
  if answer = mrOk then writeLn('ok');
  if MessageDlg('Retry?', mtError, mbAbortRetryIgnore, 0) = mrAbort then writeLn('abort');
  if MessageDlg('Done', mtInformation, mbOK, 0) = mrOk then writeLn('ok again');
  name := 'rig-1';
  if not InputQuery('Setup', 'Rig name', name) then writeLn('kept ' + name);
  writeLn(InputBox('Setup', 'Channels', '4'));
end.
(* output
Start the test?
yes
Valve check
ok
Retry?
abort
Done
ok again
Setup: Rig name
kept rig-1
Setup: Channels
4
*)
