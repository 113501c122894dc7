var
  s: string;
  n: integer;
  x: double;
begin
  s := Format('%d|%5d|%-5s|%.2f|%e|%g|%x|%n|%m|%u|%*d|%2:s', [42, -7, 'ab', 3.14159, 1.5e10, 0.5, 255, 12345.678, 9.99, 7, 4, 3]);
  writeLn(s);
  writeLn(FloatToStrF(1234.5678, ffFixed, 8, 2) + ' ' + FloatToStrF(0.000123, ffExponent, 4, 2) + ' ' +
    FloatToStrF(1234567.891, ffNumber, 10, 1) + ' ' + FloatToStrF(2.5, ffGeneral, 15, 0));
  writeLn(FormatFloat('#,##0.00;(#,##0.00);zero', -1234.5) + FormatFloat('0.###E+00', 12345));
  s := StringReplace('a-b-A-b', 'a', 'x', [rfReplaceAll, rfIgnoreCase]);
  writeLn(s + QuotedStr('it''s') + AnsiUpperCase('abc') + AnsiLowerCase('DEF'));
  writeLn(IntToStr(Pos('b', s)) + IntToStr(PosEx('b', s, 4)) + LeftStr(s, 2) + RightStr(s, 2) + MidStr(s, 2, 3));
  n := StrToIntDef('12x', -1);
  if TryStrToInt('0x1F', n) and TryStrToFloat('2.5', x) then writeLn(IntToStr(n) + FloatToStr(x));
  writeLn(IntToStr(Min(3, 4)) + FloatToStr(Max(2.5, 1)) + IntToStr(Floor(-2.5)) + IntToStr(Ceil(2.1)) +
    FloatToStr(Power(2, 10)) + FloatToStr(Log10(1000)) + FloatToStr(RoundTo(1.2345, -2)) + IntToStr(Round(2.5)));
  if IsNan(0 / 1) or IsInfinite(1e308 * 10) then writeLn(IntToStr(RandomRange(5, 6)));
  writeLn(IntToStr(StrToInt('12x')));
end.
