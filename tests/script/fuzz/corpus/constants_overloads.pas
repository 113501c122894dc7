const Half = MaxInt div 2; Top = High(Int64) - 1; Span = High(Word) - Low(SmallInt);
type TBytes = array[Low(Byte)..High(Byte)] of Byte;
var c: Cardinal; big: Int64; i: Integer; s: string; t: TBytes;
begin
  c := High(Cardinal); big := Int64(MaxLongInt) * 4;
  s := IntToStr(c) + IntToStr(big) + IntToHex(big, 1) + IntToHex(-1, 4) + IntToStr(Low(ShortInt));
  s := BoolToStr(True) + BoolToStr(c > 0, True) + BoolToStr(False, False);
  s := Copy(s, 3) + Copy(s, 2, MaxInt);
  i := 0;
  while Pos('1', s, i + 1) > 0 do i := Pos('1', s, i + 1);
  s := Format('%d %u %x %12d %-5d', [c, c, big, big, Low(Int64)]);
  if InRange(i, 0, MaxInt) and InRange(0.5, 0, 1) then t[High(Byte)] := High(Byte);
  case i of MaxInt: i := Low(Integer); end;
end.
