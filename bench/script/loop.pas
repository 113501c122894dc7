var
  i: integer;
  sum: int64;
begin
  sum := 0;
  for i := 1 to 10000000 do
    sum := sum + i;
  check(sum);
end.
