var
  i: integer;
  c: TCounter;
begin
  c := counter;
  for i := 1 to 1000000 do
    c.Value := c.Value + 1;
  check(c.Value);
end.
