// TStringList: adding, inserting, deleting, searching, sorting with duplicates, the
// name=value view, the text forms and a round trip through a file.
var
  list, other: TStringList;
begin
  list := TStringList.Create;
  list.Add('gamma');
  list.Add('alpha');
  writeLn(IntToStr(list.Add('beta')) + ' ' + IntToStr(list.Count));
  list.Insert(0, 'delta');
  list.Delete(1);
  writeLn(list.CommaText + ' ' + IntToStr(list.IndexOf('BETA')) + ' ' + IntToStr(list.IndexOf('none')));
  list.Sort;
  writeLn(list.CommaText);
  list.Sorted := True;
  writeLn(IntToStr(list.Add('able')) + ' ' + IntToStr(list.Add('alpha')) + ' ' + IntToStr(list.Count) + ' ' + list.CommaText);
  list.Duplicates := dupAccept;
  list.Add('alpha');
  writeLn(list.CommaText);
  list.Clear;
  list.Sorted := False;
  list.CommaText := 'rate=1000, "name=rig one",  empty=, "say ""hi"""';
  writeLn(IntToStr(list.Count) + ' ' + IntToStr(list.IndexOfName('NAME')) + ' ' + list.CommaText);
  list.Text := 'first'#13#10'second'#10'third';
  writeLn(IntToStr(list.Count) + ' ' + IntToStr(Length(list.Text)) + ' ' + IntToStr(Pos(#13#10'second'#13#10, list.Text)));
  list.Add('Канал=5000');
  list.SaveToFile('list.txt');
  other := TStringList.Create;
  other.LoadFromFile('list.txt');
  writeLn(IntToStr(other.Count) + ' ' + other.CommaText);
  other.AddStrings(other);
  writeLn(IntToStr(other.Count));
  other.Exchange(0, 1);
  writeLn(other.CommaText);
  other.Free;
  list.Free;
end.
(* output
2 3
delta,alpha,beta 2 -1
alpha,beta,delta
0 1 4 able,alpha,beta,delta
able,alpha,alpha,beta,delta
4 1 rate=1000,"name=rig one",empty=,"say ""hi"""
3 22 6
4 first,second,third,Канал=5000
8
second,first,third,Канал=5000,first,second,third,Канал=5000
*)
