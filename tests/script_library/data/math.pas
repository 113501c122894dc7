// The Math unit's routines beside the system unit's own.
var
  i: Integer;
  x: Double;
  seen: Integer;
begin
  writeLn(IntToStr(Floor(2.7)) + ' ' + IntToStr(Floor(-2.1)) + ' ' + IntToStr(Ceil(2.1)) + ' ' + IntToStr(Ceil(-2.7)) + ' ' + IntToStr(Ceil(3)));
  writeLn(FloatToStr(Log10(1000)) + ' ' + FloatToStr(Log2(8)) + ' ' + FloatToStr(LogN(3, 81)) + ' ' + FloatToStr(IntPower(2, 10)) + ' ' + FloatToStr(Power(2, 0.5)));
  writeLn(FloatToStr(RoundTo(1234.5678, -2)) + ' ' + FloatToStr(RoundTo(1234.5678, 2)) + ' ' + FloatToStr(RoundTo(2.345, -2)) + ' ' + FloatToStr(RoundTo(0.125, -2)) + ' ' + FloatToStr(RoundTo(1.235, -2)) + ' ' + FloatToStr(RoundTo(1.245, -2)));
  writeLn(IntToStr(Round(2.5)) + IntToStr(Round(3.5)) + IntToStr(Round(-2.5)) + ' ' + IntToStr(Trunc(-2.7)) + ' ' + FloatToStr(Frac(-2.75)) + ' ' + FloatToStr(Int(-2.75)));
  x := NaN;
  if IsNan(x) and not IsNan(1) and (x <> x) then writeLn('nan');
  x := Infinity;
  if IsInfinite(x) and IsInfinite(NegInfinity) and not IsInfinite(1e308) and (x > 1e308) then writeLn('infinite ' + FloatToStr(NegInfinity));
  writeLn(IntToStr(Sign(-3.5)) + IntToStr(Sign(0)) + IntToStr(Sign(2)) + ' ' + IntToStr(EnsureRange(15, 0, 10)) + IntToStr(EnsureRange(-1, 0, 10)));
  writeLn(FloatToStr(Hypot(3, 4)) + ' ' + FloatToStr(ArcTan2(0, 1)) + ' ' + FloatToStr(Tan(0)) + ' ' + FloatToStr(ArcSin(0)) + ' ' + FloatToStr(ArcCos(1)));
  Randomize;
  seen := 0;
  for i := 1 to 200 do
  begin
    x := RandomRange(10, 13);
    if (x < 10) or (x > 12) then writeLn('out of range');
    if x = 12 then seen := seen + 1;
  end;
  if seen > 0 then writeLn('12 seen');
  writeLn(IntToStr(RandomRange(5, 5)) + ' ' + IntToStr(RandomRange(7, 6)));
end.
(* output
2 -3 3 -2 3
3 3 4 1024 1.4142135623731
1234.57 1200 2.34 0.12 1.24 1.24
24-2 -2 -0.75 -2
nan
infinite -INF
-101 100
5 0 0 0 0
12 seen
5 6
*)
