var
  i, x, y, v: integer;
  sum: int64;
begin
  sum := 0;
  x := 1;
  for i := 1 to 10000000 do
  begin
    y := i;
    v := y;
    sum := sum + v + x;
  end;
  check(sum);
end.
