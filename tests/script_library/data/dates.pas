// Building, taking apart and stepping date-times; texts in the regional pattern
// (dd/mm/yyyy with '.' here); "now" is 10 December 2026, 13:30.
var
  d, t: TDateTime;
  y, m, dd, h, n, s, ms: Word;
begin
  d := EncodeDate(2026, 12, 10);
  writeLn(FloatToStr(d) + ' ' + FormatDateTime('yyyy-mm-dd', d) + ' ' + IntToStr(DayOfWeek(d)) + ' ' + IntToStr(DayOfWeek(EncodeDate(1899, 12, 30))));
  t := EncodeTime(13, 5, 7, 250);
  writeLn(FormatDateTime('hh:nn:ss.zzz', t) + ' ' + FormatDateTime('dd.mm.yyyy hh:nn', d + t));
  DecodeDate(EncodeDate(2024, 2, 29), y, m, dd);
  DecodeTime(t, h, n, s, ms);
  writeLn(IntToStr(y) + '/' + IntToStr(m) + '/' + IntToStr(dd) + ' ' + IntToStr(h) + ':' + IntToStr(n) + ':' + IntToStr(s) + '.' + IntToStr(ms));
  writeLn(FormatDateTime('dd.mm.yyyy', IncDay(d, 25)) + ' ' + FormatDateTime('dd.mm.yyyy', IncMonth(EncodeDate(2024, 1, 31), 1)) + ' ' + FormatDateTime('dd.mm.yyyy', IncMonth(d, -12)));
  writeLn(FormatDateTime('hh:nn:ss', IncHour(t, 11)) + ' ' + FormatDateTime('hh:nn:ss', IncMinute(t, 55)) + ' ' + FormatDateTime('hh:nn:ss', IncSecond(t, -8)));
  writeLn(IntToStr(DaysBetween(EncodeDate(2026, 1, 1), d)) + ' ' + IntToStr(SecondsBetween(t, IncSecond(t, 3600))) + ' ' + IntToStr(HoursBetween(d, d + 0.99)) + ' ' + IntToStr(MinutesBetween(d + t, d)));
  writeLn(FormatDateTime('dd.mm.yyyy', StrToDate('01.03.2025')) + ' ' + FormatDateTime('dd.mm.yyyy', StrToDate('5.6')) + ' ' + FormatDateTime('dd.mm.yyyy', StrToDate('7.8.26')));
  writeLn(FormatDateTime('hh:nn:ss', StrToTime('7:05')) + ' ' + FormatDateTime('hh:nn:ss', StrToTime('11:30:15 PM')) + ' ' + FormatDateTime('dd.mm.yyyy hh:nn:ss', StrToDateTime('31.12.2026 23:59:58')));
  writeLn(IntToStr(YearOf(d)) + ' ' + IntToStr(MonthOf(d)) + ' ' + IntToStr(DayOf(d)) + ' ' + IntToStr(HourOf(d + t)) + ' ' + IntToStr(MinuteOf(d + t)) + ' ' + IntToStr(SecondOf(d + t)));
  if IsLeapYear(2024) and not IsLeapYear(1900) and IsLeapYear(2000) then writeLn('leap ' + IntToStr(DaysInAMonth(2024, 2)) + ' ' + IntToStr(DaysInAMonth(2023, 2)));
  writeLn(FormatDateTime('dd.mm.yyyy hh:nn', EncodeDateTime(2026, 7, 1, 8, 15, 0, 0)) + ' ' + FloatToStr(DateOf(d + t)) + ' ' + FormatDateTime('hh:nn', TimeOf(d + t)));
  if TryStrToDate('29.02.2026', d) then writeLn('bad') else writeLn('no 29 February 2026');
end.
(* output
46366 2026-12-10 5 7
13:05:07.250 10.12.2026 13:05
2024/2/29 13:5:7.250
04.01.2027 29.02.2024 10.12.2025
00:05:07 14:00:07 13:04:59
343 3600 23 785
01.03.2025 05.06.2026 07.08.2026
07:05:00 23:30:15 31.12.2026 23:59:58
2026 12 10 13 5 7
leap 29 28
01.07.2026 08:15 46366 13:05
no 29 February 2026
*)
