// Russian text in single-byte strings: every routine counts letters, one byte each.
var
  s, t, w: string;
  c: Char;
  i, vowels: Integer;
begin
  s := 'Привет, мир';
  writeLn(IntToStr(Length(s)) + ' ' + Copy(s, 1, 6) + '|' + Copy(s, 9, 3) + '|' + s[1] + s[Length(s)]);
  writeLn(IntToStr(Pos('мир', s)) + ' ' + IntToStr(Pos(',', s)) + ' ' + IntToStr(Pos('Мир', s)));
  writeLn(IntToStr(Ord(s[1])) + ' ' + IntToStr(Ord('я')) + ' ' + IntToStr(Ord('Ё')) + ' ' + IntToStr(Ord('ё')) + ' ' + Chr(207) + Chr(192) + Chr(255) + Chr(168));
  t := s;
  Delete(t, 7, 5);
  Insert(' всем', t, 7);
  writeLn(t + ' ' + IntToStr(Length(t)));
  t[1] := 'п';
  t[Length(t)] := 'М';
  writeLn(t + ' ' + s);
  w := '';
  for i := Length(s) downto 1 do w := w + s[i];
  writeLn(w);
  vowels := 0;
  for i := 1 to Length(s) do
    if s[i] in ['а', 'е', 'ё', 'и', 'о', 'у', 'ы', 'э', 'ю', 'я'] then Inc(vowels);
  writeLn('гласных ' + IntToStr(vowels));
  c := 'Ж';
  Inc(c);
  writeLn(c + Succ('а') + Pred('Я') + ' ' + IntToStr(Ord(High(c))));
  writeLn(UpCase('ж') + UpCase('z') + ' ' + UpperCase('абв xyz') + ' ' + LowerCase('АБВ XYZ'));
  if ('Ёж' < 'Апрель') and ('Яблоко' < 'апельсин') and ('Б' > 'А') and ('б' > 'Я') and ('я' > 'z') then
    writeLn('порядок кодов');
  writeLn(StringOfChar('ж', 4) + '|' + Trim('  ёлка  ') + '|');
  writeLn(IntToStr(Length(#207#240#232)) + ' ' + #207#240#232);
  case s[1] of
    'А'..'Я': writeLn('заглавная');
  else
    writeLn('другая');
  end;
end.

(* output
11 Привет|мир|Пр
9 7 0
207 255 168 184 ПАяЁ
Привет всем 11
привет всеМ Привет, мир
рим ,тевирП
гласных 3
ЗбЮ 255
жZ абв XYZ АБВ xyz
порядок кодов
жжжж|ёлка|
3 При
заглавная
*)
