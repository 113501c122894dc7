type
  TColor = (clRed, clGreen, clBlue, clWhite);
  TColors = set of TColor;
  TPrimary = clRed..clBlue;
  TDigit = 0..9;
  TLetter = 'a'..'z';
  TLetters = set of TLetter;
  TBytes = set of byte;
var
  c: TColor;
  p: TPrimary;
  s, u: TColors;
  l: TLetters;
  b: TBytes;
  d: TDigit;
  ch: char;
  n: array[TColor] of integer;
begin
  s := [clRed, clBlue..clWhite];
  u := s * [clGreen..clBlue] + [clGreen] - [clWhite];
  if (s <= [clRed..clWhite]) and (u >= [clGreen]) and (s <> u) and not (clGreen in s) then writeLn('sets');
  for c := Low(TColor) to High(TColor) do n[c] := Ord(c) * 2;
  for p := High(TPrimary) downto Low(TPrimary) do Inc(n[p]);
  c := Succ(clRed);
  c := Pred(High(TColor));
  Include(s, clGreen);
  Exclude(s, clRed);
  case c of
    clRed: writeLn('red');
    clGreen..clBlue: writeLn('cool');
  else
    writeLn('other');
  end;
  l := ['a'..'f', 'x'];
  for ch := 'a' to 'z' do if ch in l then d := (d + 1) mod 10;
  b := [0, 7, 255];
  if 7 in b then writeLn(IntToStr(d) + UpCase(High(TLetter)) + IntToStr(Ord(High(TDigit))));
  d := 10;
end.
