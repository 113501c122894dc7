// Format and the range tests take Int64 and Cardinal values with all their bits; PosEx's
// offset may be left out.
var
  c: Cardinal;
  big: Int64;
begin
  c := High(Cardinal);
  big := Int64(MaxInt) * 4;
  writeLn(Format('%d|%u|%x|%12d|%-12d|', [c, c, c, c, c]));
  writeLn(Format('%d|%d|%x|%.12d|%d', [big, -big, big, big, Low(Int64)]));
  writeLn(Format('%d %d %s', [MaxInt, MaxLongInt, BoolToStr(InRange(MaxInt, 0, MaxInt), True)]));
  writeLn(BoolToStr(InRange(5, 1, 10), True) + ' ' + BoolToStr(InRange(0.5, 0, 1), True) + ' ' + BoolToStr(InRange(10.01, 1, 10), True)
    + ' ' + BoolToStr(InRange(c, 0, MaxInt), True) + ' ' + BoolToStr(InRange(1, 1, 1), True));
  writeLn(IntToStr(PosEx('na', 'banana')) + ' ' + IntToStr(PosEx('na', 'banana', 4)));
end.
(* output
4294967295|4294967295|FFFFFFFF|  4294967295|4294967295  |
8589934588|-8589934588|1FFFFFFFC|008589934588|-9223372036854775808
2147483647 2147483647 True
True True False False True
3 5
*)
