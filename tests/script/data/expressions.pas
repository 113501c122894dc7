// Operators, precedence, integer widths and mixing of integers, doubles, chars and strings.
const
  Base = 10;
  Twice = Base * 2;
  Greeting = 'Hi';
var
  i, j: integer;
  w: word;
  b: byte;
  s16: smallint;
  big: int64;
  c: cardinal;
  x: double;
  ch: char;
  s: string;
  ok: boolean;
begin
  writeLn(IntToStr(2 + 3 * 4));
  writeLn(IntToStr((2 + 3) * 4));
  writeLn(IntToStr(17 div 5) + ' ' + IntToStr(17 mod 5) + ' ' + IntToStr(-17 div 5) + ' ' + IntToStr(-17 mod 5));
  writeLn(IntToStr(Twice) + Greeting);
  writeLn(IntToStr(6 and 3) + ' ' + IntToStr(6 or 3) + ' ' + IntToStr(6 xor 3) + ' ' + IntToStr(not 0));
  writeLn(IntToStr(1 shl 10) + ' ' + IntToStr(1024 shr 3));
  i := 2147483647;
  i := i + 1;
  writeLn(IntToStr(i));
  w := 65535;
  w := w + 1;
  writeLn(IntToStr(w));
  b := 200;
  b := b * 2;
  writeLn(IntToStr(b));
  s16 := -32768;
  s16 := s16 - 1;
  writeLn(IntToStr(s16));
  big := 2147483647;
  big := big * 4;
  writeLn(IntToStr(big));
  c := 4294967295;
  writeLn(IntToStr(c));
  x := 7 / 2;
  writeLn(FloatToStr(x));
  x := i;
  writeLn(FloatToStr(x * 2));
  j := 3;
  x := j + 0.25;
  writeLn(FloatToStr(x));
  writeLn(FloatToStr(-x));
  ch := 'A';
  s := ch + 'b' + ch;
  writeLn(s);
  s := 'x' + 'y';
  writeLn(s);
  writeLn(Greeting + ', ' + 'world' + #33);
  writeLn('It''s');
  ok := 'abc' < 'abd';
  if ok and ('b' > 'a') and (ch = 'A') and ('A' = ch) and (s <> 'xz') then writeLn('strings compare');
  if (3 < 3.5) and (2.0 = 2) and not (1 > 2) then writeLn('numbers compare');
  if (True > False) and (i < 0) then writeLn('booleans compare');
  if $FF = 255 then writeLn('hex');
  writeLn(IntToStr(Ord('a')) + Chr(66) + IntToStr(Ord(True)));
  writeLn(IntToStr(-Base) + ' ' + IntToStr(- (3 - 5)));
  if 5 in [1, 3..6] then writeLn('in set');
  if not ('z' in ['a'..'y']) then writeLn('not in set');
end.
(* output
14
20
3 2 -3 -2
20Hi
2 7 5 -1
1024 128
-2147483648
0
144
32767
8589934588
4294967295
3.5
-4294967296
3.25
-3.25
AbA
xy
Hi, world!
It's
strings compare
numbers compare
booleans compare
hex
97B1
-10 2
in set
not in set
*)
