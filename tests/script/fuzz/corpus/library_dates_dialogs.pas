var
  d, t: TDateTime;
  y, mo, da, h, mi, s, ms: Word;
  answer: string;
begin
  d := EncodeDate(2026, 2, 28);
  t := EncodeTime(13, 45, 30, 250);
  DecodeDate(IncMonth(IncDay(d, 1), 11), y, mo, da);
  DecodeTime(IncSecond(IncMinute(IncHour(t, 1), 20), 45), h, mi, s, ms);
  writeLn(FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', d + t) + ' ' + IntToStr(DayOfWeek(d)) + ' ' +
    IntToStr(y * 10000 + mo * 100 + da) + ' ' + IntToStr(h * 100 + mi));
  writeLn(IntToStr(DaysBetween(d, EncodeDate(2027, 1, 1))) + ' ' + IntToStr(SecondsBetween(t, IncMinute(t, 2))));
  d := StrToDate('01/03/2026');
  t := StrToTime('10:20:30');
  d := StrToDateTime('01/03/2026 10:20');
  answer := InputBox('Rig', 'Channel count?', '4');
  if not InputQuery('Rig', 'Operator?', answer) then
    case MessageDlg('Start the run?', mtConfirmation, mbYesNo, 0) of
      mrYes: writeLn('yes ' + answer);
      mrNo: writeLn('no');
    end;
  MessageDlg('Done', mtInformation, [mbOK], 0);
  d := StrToDate('31/02/2026');
end.
