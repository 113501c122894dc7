// Every statement of the language.
var
  i, j, n: integer;
  s: string;
  c: char;
begin
  // for to / downto, with the loop bounds taken once
  s := '';
  n := 3;
  for i := 1 to n do
  begin
    n := 10;
    s := s + IntToStr(i);
  end;
  writeLn(s);
  s := '';
  for i := 5 downto 1 do s := s + IntToStr(i);
  writeLn(s);
  for i := 3 to 1 do writeLn('never');
  s := '';
  for c := 'a' to 'e' do s := s + c;
  writeLn(s);

  // while, break, continue
  i := 0;
  s := '';
  while True do
  begin
    Inc(i);
    if i mod 2 = 0 then Continue;
    if i > 9 then Break;
    s := s + IntToStr(i);
  end;
  writeLn(s);

  // repeat until; continue goes to the test
  i := 0;
  repeat
    Inc(i, 2);
    if i = 4 then Continue;
  until i >= 8;
  writeLn(IntToStr(i));

  // nested loops: break leaves only the inner one
  n := 0;
  for i := 1 to 3 do
    for j := 1 to 100 do
    begin
      if j > i then Break;
      Inc(n);
    end;
  writeLn(IntToStr(n));

  // case over integers and chars, ranges, lists and else
  for i := 0 to 6 do
    case i of
      0: writeLn('zero');
      1, 2: writeLn('one or two');
      3..4: begin writeLn('three'); writeLn('or four'); end;
    else
      writeLn('many ' + IntToStr(i));
    end;
  c := 'q';
  case c of
    'a'..'m': writeLn('first half');
    'n'..'z': writeLn('second half');
  end;

  // if with a dangling else binds to the nearest if
  i := 5;
  if i > 0 then
    if i > 10 then writeLn('big') else writeLn('small');

  // Dec and Inc with amounts, also on chars
  i := 10;
  Dec(i, 3);
  Dec(i);
  c := 'a';
  Inc(c, 2);
  writeLn(IntToStr(i) + c);
end.
(* output
123
54321
abcde
13579
8
6
zero
one or two
one or two
three
or four
three
or four
many 5
many 6
second half
small
6c
*)
