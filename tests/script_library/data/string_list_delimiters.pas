// TStringList's DelimitedText with its Delimiter, QuoteChar and StrictDelimiter, and
// NameValueSeparator: a range table written and read back in other separators.
var
  list: TStringList;

procedure Show(const title: string);
var
  i: Integer;
  s: string;
begin
  s := title + ' ' + IntToStr(list.Count) + ':';
  for i := 0 to list.Count - 1 do s := s + ' <' + list[i] + '>';
  writeLn(s);
end;

begin
  list := TStringList.Create;
  list.Add('a');
  list.Add('');
  list.Add('b c');
  list.Add('q"r');
  list.Add('x;y');
  writeLn(list.CommaText);
  list.Delimiter := ';';
  list.QuoteChar := '''';
  writeLn(list.DelimitedText);
  list.StrictDelimiter := True;
  writeLn(list.DelimitedText);
  writeLn(list.CommaText);
  writeLn(list.Delimiter + list.QuoteChar + BoolToStr(list.StrictDelimiter, True));

  list.QuoteChar := '"';
  list.DelimitedText := ' a b ;"c;d";;e ';
  Show('strict');
  list.StrictDelimiter := False;
  list.DelimitedText := ' a b ;"c;d";;e ';
  Show('loose');
  list.DelimitedText := 'x;';
  Show('trailing');
  list.Delimiter := ' ';
  list.DelimitedText := '5000  1600 "high range" 160';
  Show('blanks');
  list.Clear;
  list.Add('');
  writeLn(list.DelimitedText + ' ' + list.CommaText);

  list.Clear;
  list.NameValueSeparator := ':';
  list.Add('Ur:5000');
  list.Add('Ir=1600');
  list.Values['Uref'] := '500';
  writeLn(list.Names[0] + ' ' + list.Values['Ur'] + ' ' + IntToStr(list.IndexOfName('Ir')) + ' ' +
    list.ValueFromIndex[2] + ' ' + list.NameValueSeparator);
  writeLn(list.CommaText);
  list.Free;
end.

(* output
a,,"b c","q""r",x;y
a;;'b c';q"r;'x;y'
a;;b c;q"r;'x;y'
a,,"b c","q""r",x;y
;'True
strict 4: < a b > <c;d> <> <e >
loose 5: <a> <b> <c;d> <> <e>
trailing 2: <x> <>
blanks 4: <5000> <1600> <high range> <160>
"" ""
Ur 5000 -1 500 :
Ur:5000,Ir=1600,Uref:500
*)
