// Text routines: parts, searching, quoting, case on the code page, conversions that try.
var
  i: Integer;
  i64: Int64;
  x: Double;
begin
  writeLn(LeftStr('channel', 4) + '|' + RightStr('channel', 3) + '|' + MidStr('channel', 3, 3) + '|' + LeftStr('ab', 5) + '|' + RightStr('ab', -1) + '|');
  writeLn(IntToStr(PosEx('a', 'banana', 3)) + ' ' + IntToStr(PosEx('a', 'banana', 7)) + ' ' + IntToStr(PosEx('', 'banana', 1)) + ' ' + IntToStr(AnsiPos('nan', 'banana')));
  writeLn(QuotedStr('it''s') + ' ' + QuotedStr('') + ' ' + AnsiQuotedStr('say "hi"', '"'));
  writeLn(AnsiUpperCase('Канал ёж abc') + ' ' + AnsiLowerCase('ДАННЫЕ Ё XYZ') + ' ' + UpperCase('ёж'));
  if AnsiSameText('Привет', 'ПРИВЕТ') and not AnsiSameText('a', 'b') then writeLn('same text');
  writeLn(IntToStr(AnsiCompareText('abc', 'ABD')) + ' ' + IntToStr(CompareStr('b', 'a')) + ' ' + IntToStr(CompareStr('a', 'a')));
  writeLn(DupeString('-=', 3) + ReverseString('abc'));
  if StartsStr('ch', 'channel') and EndsStr('nel', 'channel') and ContainsStr('channel', 'ann') and ContainsText('Channel', 'CHAN') then
    writeLn('starts ends contains');
  i := 5;
  if TryStrToInt(' 42', i) then writeLn('int ' + IntToStr(i));
  if not TryStrToInt('12x', i) then writeLn('kept ' + IntToStr(i));
  if not TryStrToInt('3000000000', i) then writeLn('too big ' + IntToStr(i));
  if TryStrToInt('$FF', i) then writeLn('hex ' + IntToStr(i));
  if TryStrToInt64('3000000000', i64) then writeLn('int64 ' + IntToStr(i64));
  x := 1;
  if TryStrToFloat('2.5e3', x) then writeLn('float ' + FloatToStr(x));
  if not TryStrToFloat('2,5', x) then writeLn('kept ' + FloatToStr(x));
  writeLn(StringReplace('a-b-c', '-', '+', []) + ' ' + StringReplace('a-b-c', '-', '', [rfReplaceAll]) + ' ' + StringReplace('Ток ТОК ток', 'ток', 'I', [rfReplaceAll, rfIgnoreCase]) + ' ' + StringReplace('aaa', 'aa', 'b', [rfReplaceAll]));
  writeLn(IntToStr(StrToInt64Def('x', -1)) + ' ' + BoolToStr(StrToBool('yes'), True) + ' ' + BoolToStr(StrToBool('0'), True));
end.
(* output
chan|nel|ann|ab||
4 0 0 3
'it''s' '' "say ""hi"""
КАНАЛ ЁЖ ABC данные ё xyz ёж
same text
-1 1 0
-=-=-=cba
starts ends contains
int 42
kept 42
too big 42
hex 255
int64 3000000000
float 2500
kept 2500
a+b-c abc I I I ba
-1 True False
*)
