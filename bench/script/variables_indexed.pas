var
  i, j, k, x, y, v: integer;
  sum: int64;
begin
  sum := 0;
  x := 1;
  for i := 1 to 10000000 do
  begin
    y := i;
    j := i and 7;
    v := y;
    k := i and 7;
    sum := sum + v + x;
  end;
  check(sum);
end.
