// The system unit's conversions, string routines and maths.
var
  s: string;
  i: integer;
  x: double;
begin
  writeLn(IntToStr(StrToInt('  -42')) + ' ' + IntToStr(StrToInt('$1F')) + ' ' + IntToStr(StrToIntDef('12x', 7)));
  writeLn(FloatToStr(StrToFloat('2.50')) + ' ' + FloatToStr(0.1 + 0.2) + ' ' + FloatToStr(1/3) + ' ' + FloatToStr(1e20));
  writeLn(IntToHex(255, 4) + ' ' + IntToHex(48879, 1));
  s := 'Hello, world';
  writeLn(IntToStr(Length(s)) + ' ' + Copy(s, 8, 5) + '|' + Copy(s, 10, 100) + '|' + Copy(s, 50, 2) + '|');
  writeLn(IntToStr(Pos('world', s)) + ' ' + IntToStr(Pos('moon', s)));
  Delete(s, 6, 7);
  writeLn(s);
  Insert(' there', s, 6);
  writeLn(s);
  Insert('!', s, 100);
  writeLn(s);
  writeLn(UpperCase(s) + ' ' + LowerCase('MiXeD'));
  writeLn('[' + Trim('  pad  ') + '][' + TrimLeft('  l') + '][' + TrimRight('r  ') + ']');
  writeLn(StringOfChar('-', 5) + s[1] + s[Length(s)]);
  s[1] := 'J';
  writeLn(s);
  writeLn(IntToStr(Round(2.5)) + ' ' + IntToStr(Round(3.5)) + ' ' + IntToStr(Round(-1.6)) + ' ' + IntToStr(Trunc(-1.6)));
  writeLn(IntToStr(Abs(-5)) + ' ' + FloatToStr(Abs(-2.5)) + ' ' + IntToStr(Sqr(9)) + ' ' + FloatToStr(Sqr(1.5)));
  writeLn(FloatToStr(Sqrt(16)) + ' ' + FloatToStr(Sin(0)) + ' ' + FloatToStr(Cos(0)) + ' ' + FloatToStr(Exp(0)) + ' ' + FloatToStr(Ln(1)));
  writeLn(FloatToStr(ArcTan(1) * 4 - Pi) + ' ' + FloatToStr(Round(Pi * 1000) / 1000));
  for i := 1 to 100 do
  begin
    x := Random;
    if (x < 0) or (x >= 1) then writeLn('bad random');
    if (Random(6) < 0) or (Random(6) > 5) then writeLn('bad random range');
  end;
  x := Now;
  if (x > 40000) and (Date <= x) and (Time < 1) and (Frac(x) >= 0) then writeLn('clock');
  writeLn(FormatDateTime('yyyymmdd hhnnss', 45000.5));
  Sleep(1);
  writeLn(BoolToStr(1 < 2, True) + IntToStr(Ord(Succ('a'))) + IntToStr(Pred(10)));
  if Odd(3) and not Odd(4) then writeLn('odd');
end.
(* output
-42 31 7
2.5 0.3 0.333333333333333 1E20
00FF BEEF
12 world|rld||
8 0
Hello
Hello there
Hello there!
HELLO THERE! mixed
[pad][l][r]
-----H!
Jello there!
2 4 -2 -1
5 2.5 81 2.25
4 0 1 1 0
0 3.142
clock
20230315 120000
True989
odd
*)
