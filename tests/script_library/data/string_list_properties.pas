// TStringList's indexed properties: Strings as the default, Names, Values, ValueFromIndex;
// a settings table read as name=value pairs.
var
  list: TStringList;
  i: Integer;
begin
  list := TStringList.Create;
  list.Text := 'rate=1000'#13#10'Channels=4'#13#10'comment';
  writeLn(list[0] + ' ' + list.Strings[1] + ' ' + IntToStr(list.Count));
  for i := 0 to list.Count - 1 do
    writeLn(IntToStr(i) + ': [' + list.Names[i] + '] [' + list.ValueFromIndex[i] + ']');
  writeLn(list.Values['CHANNELS'] + ' [' + list.Values['missing'] + ']');
  list.Values['rate'] := '2000';
  list.Values['file'] := 'test.dat';
  list.Values['comment'] := '';
  list[2] := 'note';
  writeLn(list.CommaText);
  list.Values['file'] := '';
  writeLn(list.CommaText + ' ' + IntToStr(list.IndexOfName('rate')));
  FreeAndNil(list);
  if not Assigned(list) then writeLn('freed');
end.
(* output
rate=1000 Channels=4 3
0: [rate] [1000]
1: [Channels] [4]
2: [] []
4 []
rate=2000,Channels=4,note,file=test.dat
rate=2000,Channels=4,note 0
freed
*)
