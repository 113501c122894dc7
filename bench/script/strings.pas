var
  i: integer;
  s: string;
begin
  s := '';
  for i := 1 to 100000 do
    s := s + 'x';
  check(Length(s));
end.
