// Russian text through the library: widths, case and lists count letters, one byte each.
var
  list: TStringList;
  s: string;
  i: Integer;
begin
  writeLn(Format('%-8s|%8s|%.3s|%5d|', ['Канал', 'Ток', 'Привет', 42]));
  writeLn(AnsiUpperCase('Привет, мир! ёлка їжак ўсё') + ' ' + AnsiLowerCase('ПРИВЕТ, МИР! ЁЛКА ЇЖАК ЎСЁ'));
  writeLn(UpperCase('Канал abc') + ' ' + LowerCase('Канал ABC'));
  if AnsiSameText('Ёлка', 'ЁЛКА') and (AnsiCompareText('ток', 'ТОК') = 0) and (CompareStr('Ток', 'ток') < 0) then
    writeLn('регистр');
  writeLn(StringReplace('Ток ТОК ток', 'ток', 'Напряжение', [rfReplaceAll, rfIgnoreCase]));
  writeLn(IntToStr(Length(Format('%s=%d', ['Разряд', 5]))) + ' ' + IntToStr(Length(IntToStr(-12345))));
  list := TStringList.Create;
  try
    list.Add('Канал=5000');
    list.Add('ёж');
    list.Add('Ёж');
    list.Add('Ампер');
    list.Add('яма');
    list.Sorted := True;
    writeLn(list.CommaText + ' ' + list.Values['Канал']);
    list.SaveToFile('список.txt');
    list.Clear;
    list.LoadFromFile('список.txt');
    s := '';
    for i := 0 to list.Count - 1 do s := s + IntToStr(Length(list[i])) + ' ';
    writeLn(s + IntToStr(Length(list.Text)));
    writeLn(IntToStr(Ord(FileExists('список.txt'))) + ' ' + ExtractFileExt('отчёт.данные.txt') + ' ' + ChangeFileExt('отчёт', '.дат'));
  finally
    list.Free;
  end;
end.

(* output
Канал   |     Ток|При|   42|
ПРИВЕТ, МИР! ЁЛКА ЇЖАК ЎСЁ привет, мир! ёлка їжак ўсё
Канал ABC Канал abc
регистр
Напряжение Напряжение Напряжение
8 6
ёж,Ёж,Ампер,Канал=5000,яма 5000
2 5 10 3 28
1 .txt отчёт.дат
*)
