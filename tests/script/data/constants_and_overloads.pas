// The bounds of the integer types as constants, and the overloads engineers write from habit.
const
  Half = MaxInt div 2;
  Top = High(Int64) - 1;
  Span = High(Word) - Low(SmallInt);
type
  TBytes = array[Low(Byte)..High(Byte)] of Byte;
var
  table: TBytes;
  c: Cardinal;
  big: Int64;
  i: Integer;
  s: string;
begin
  writeLn(IntToStr(MaxInt) + ' ' + IntToStr(MaxLongInt) + ' ' + IntToStr(Half) + ' ' + IntToStr(Top) + ' ' + IntToStr(Span));
  writeLn(IntToStr(Low(Integer)) + ' ' + IntToStr(High(Integer)) + ' ' + IntToStr(Low(LongInt)) + ' ' + IntToStr(High(LongInt)));
  writeLn(IntToStr(Low(ShortInt)) + ' ' + IntToStr(High(ShortInt)) + ' ' + IntToStr(Low(SmallInt)) + ' ' + IntToStr(High(SmallInt)));
  writeLn(IntToStr(Low(Byte)) + ' ' + IntToStr(High(Byte)) + ' ' + IntToStr(Low(Word)) + ' ' + IntToStr(High(Word)));
  writeLn(IntToStr(Low(Cardinal)) + ' ' + IntToStr(High(Cardinal)) + ' ' + IntToStr(High(LongWord)) + ' ' + IntToStr(High(DWord)));
  writeLn(IntToStr(Low(Int64)) + ' ' + IntToStr(High(Int64)));
  writeLn(IntToStr(Length(table)) + ' ' + IntToStr(High(table)));
  case 2147483647 of
    MaxInt: writeLn('case label');
  end;
  // Cardinal and Int64 values keep all their bits.
  c := High(Cardinal);
  big := Int64(MaxInt) * 4;
  writeLn(IntToStr(c) + ' ' + IntToStr(c - 1) + ' ' + IntToStr(big) + ' ' + IntToStr(-big));
  writeLn(IntToHex(big, 1) + ' ' + IntToHex(c, 8) + ' ' + IntToHex(-1, 4) + ' ' + IntToHex(Low(Int64), 1));
  // BoolToStr reads a Boolean as its number unless asked for the words.
  writeLn(BoolToStr(True) + ' ' + BoolToStr(False) + ' ' + BoolToStr(True, True) + ' ' + BoolToStr(1 > 2, True) + ' ' + BoolToStr(True, False));
  // Copy without a count takes the rest; Pos with an offset searches from it.
  s := 'ch1;ch2;ch3';
  writeLn(Copy(s, 5) + '|' + Copy(s, 11) + '|' + Copy(s, 12) + '|' + Copy(s, 0));
  writeLn(IntToStr(Pos(';', s)) + ' ' + IntToStr(Pos(';', s, 4)) + ' ' + IntToStr(Pos(';', s, 5)) + ' ' + IntToStr(Pos(';', s, 9))
    + ' ' + IntToStr(Pos(';', s, 0)) + ' ' + IntToStr(Pos(';', s, 12)) + ' ' + IntToStr(Pos('', s, 2)));
  i := 0;
  while Pos(';', s, i + 1) > 0 do i := Pos(';', s, i + 1);
  writeLn('last separator at ' + IntToStr(i));
  writeLn(IntToStr(StrToIntDef('4000000000', -1)) + ' ' + IntToStr(Trunc(1e12 + 0.5)) + ' ' + IntToStr(Round(-2.5e10)));
  writeLn(IntToStr(Max(big, c)) + ' ' + IntToStr(Min(Low(Int64), 0)) + ' ' + FloatToStr(Max(1, 2.5)));
end.
(* output
2147483647 2147483647 1073741823 9223372036854775806 98303
-2147483648 2147483647 -2147483648 2147483647
-128 127 -32768 32767
0 255 0 65535
0 4294967295 4294967295 4294967295
-9223372036854775808 9223372036854775807
256 255
case label
4294967295 4294967294 8589934588 -8589934588
1FFFFFFFC FFFFFFFF FFFFFFFF 8000000000000000
-1 0 True False -1
ch2;ch3|3||ch1;ch2;ch3
4 4 8 0 0 0 0
last separator at 8
-1 1000000000000 -25000000000
8589934588 -9223372036854775808 2.5
*)
