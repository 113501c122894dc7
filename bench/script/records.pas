type
  TPoint = record
    X, Y: integer;
  end;
var
  i: integer;
  sum: int64;
  p: TPoint;
  a: array[0..7] of integer;
begin
  sum := 0;
  p.X := 1;
  for i := 1 to 10000000 do
  begin
    p.Y := i;
    a[i and 7] := p.Y;
    sum := sum + a[i and 7] + p.X;
  end;
  check(sum);
end.
